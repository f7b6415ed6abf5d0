#pragma once

#include "companion/settings_file.h"
#include "job/job_settings.h"

#include <QString>

// The zip comment: turned on with a file of the user's, kept as a copy of the program's own
// and named in the settings file.

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
