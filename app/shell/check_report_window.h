#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;

// The report of a check of a set of zips (or of what a run did after its last zip), one
// line per zip and the summary, as the command line prints it.
class CheckReportWindow : public QDialog {
    Q_OBJECT
  public:
    CheckReportWindow(const QString& title, const QStringList& lines, QWidget* parent = nullptr);

    QString text() const;
    QString summary() const;

    // Shows a report that closes and deletes itself.
    static CheckReportWindow* showReport(const QString& title, const QStringList& lines,
                                         QWidget* parent);

  private:
    QPlainTextEdit* text_ = nullptr;
    QLabel* summary_ = nullptr;
};
