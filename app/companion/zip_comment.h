#pragma once

#include "job/job_settings.h"

#include <QString>

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

// The comment is on at start-up when the stored comment line names an existing file.
bool commentFileUsable(const QString& commentFile);

// Where the program's copy of a chosen comment file goes: the state folder's temp/ + name.
QString commentCopyPath(const QString& chosenPath);

// Turning the comment on with the file the user chose: a writable copy in temp/, CommentFile
// and CommentOn set, the settings file rewritten with the copy's path as comment line. The
// chosen file is only read; a name holding a control character is refused, since the
// settings file would not be text with it. Stops at the first step that fails (false, *errorText
// set); steps done stay done.
bool turnCommentOn(const QString& chosenPath, JobSettings& job, QString* errorText = nullptr,
                   const QString& versionText = programVersionText());

// Turning the comment off: the settings file rewritten with an empty comment line, the copy
// named by the stored line deleted (only when it lies in the program's own temp/ folder: the
// settings file must not make the program delete someone else's file), CommentOn cleared.
// A missing or unreadable settings file stops it at once, the comment staying on.
bool turnCommentOff(JobSettings& job, QString* errorText = nullptr,
                    const QString& versionText = programVersionText());
