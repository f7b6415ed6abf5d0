#pragma once

#include <QByteArray>
#include <QString>

// Kavel32.ini, the per-user settings file: "Vers=" + the program's version on its first line,
// the zip comment file on its second.

// The version text written to the settings file's first line.
QString programVersionText();

// The settings file Kavel32.ini in the per-user state folder.
QString settingsFilePath();

// What the start-up reading found.
struct StartupSettings {
    QString storedVersion;  // after "Vers=", empty when the file was just created
    QString CommentFile;    // the comment line as stored
    bool created = false;   // the file was missing and has been made
    bool rewritten = false; // the version differed: the file now holds the version line only
    bool read = false;      // the file was there and could be read
    QString warning;        // why the defaults are used for a file that is there
};

// The settings file as it stands, read and never written; the one reader of the file. A
// missing file gives an empty result. A file that cannot be read (a FIFO, too big) or is
// not text (a NUL or other control byte) gives the defaults and a warning saying so; one
// that is not text counts as read, so that the start-up reading repairs it.
StartupSettings readStoredSettings();

// Reads the settings file once at start-up: creates it with "Vers=" + version when missing,
// rewrites it with the version line only when the stored version differs (or the file is
// not text). A step that fails is skipped.
StartupSettings readSettingsAtStartup(const QString& versionText = programVersionText());

// Replaces the settings file with the version line and, when commentFile is given, the
// comment line (the path's own bytes, so a name outside Latin-1 survives).
bool writeSettingsFile(const QString& versionText, const QString* commentFile, QString* errorText);

// Where bytes stop being settings-file text: the offset of the first control byte (NUL and
// DEL too) other than a tab or a line end; -1 when there is none. Bytes from 0x80 are a
// path's own bytes in the system's encoding.
qsizetype firstControlByte(const QByteArray& bytes);
