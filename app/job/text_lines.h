#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QStringList>

// Reads single-byte text line by line: a line ends at CR LF, a lone CR or a lone LF (what
// editors on this platform write), and a last line without an end still counts. Lines longer than
// the limit are cut there and the rest of that line is dropped, so a hostile file cannot make one
// line eat all memory.
class TextLineReader {
  public:
    explicit TextLineReader(QIODevice& device, qsizetype maxLineLength = 1 << 16);

    // The next line without its end; false at the end of the input or on a read error.
    bool readLine(QByteArray& line);
    // Whether the line last returned was longer than the limit.
    bool lineWasCut() const { return cut_; }
    // Whether reading stopped on an error of the device rather than at its end.
    bool failed() const { return failed_; }

  private:
    bool fill();

    QIODevice& device_;
    qsizetype maxLineLength_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
    bool cut_ = false;
};

// Every line of a buffer by the rule above, without a length limit.
QStringList splitTextLines(const QByteArray& bytes);
// The same rule over text already read (a skip list, the files to process).
QStringList splitTextLines(const QString& text);

// Text as a message may quote it to a terminal or a window: control characters (C0, DEL and
// C1, which terminals take for commands) written as \n, \r, \t or \xNN, so a name cannot
// retitle the terminal or erase the line that reports it.
QString printableText(const QString& text);
