#pragma once

#include "job/job_settings.h"
#include "job/window_port.h"

#include <QString>

// The skip list: absolute entries, one per line ending with CR LF. A sub-directory is its
// path + separator + "*.*", a file its full path. Adding an entry folds the case of the
// whole list as the file system compares names (lower case on Windows, kept on Linux).

inline const QString kNoSourceText =
    QStringLiteral("You must pick a source drive or directory first");
inline const QString kNotWithinSourceText = QStringLiteral("Path isn't within source path");
inline const QString kLineBreakInPathText =
    QStringLiteral("A path holding a line break can't be skipped");

// Before either Browse dialog: without a source the error box is shown and the Source page
// comes up; false then.
bool skipBrowseAllowed(const JobSettings& job, WindowPort& window);

// The entry for a chosen sub-directory: "*.*" after a path that ends with the separator,
// separator + "*.*" otherwise.
QString subDirectoryEntry(const QString& chosenPath);

// Adds the chosen sub-directory. Nothing happens (false) for an empty choice (cancel) or the
// source folder itself; no message either way.
bool addSkipSubDirectory(JobSettings& job, const QString& chosenPath, WindowPort& window);

// Adds the chosen file. Nothing happens for an empty choice; a file outside the source is
// refused with "Path isn't within source path".
bool addSkipFile(JobSettings& job, const QString& chosenPath, WindowPort& window);
