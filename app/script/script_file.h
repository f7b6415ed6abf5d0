#pragma once

#include "job/job_settings.h"
#include "job/window_port.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The .rip script file: one job's settings as CR LF text lines, read back by character
// position. Archiver, work drive, archives-only and comment settings are not part of it.

inline const QString kScriptErrorText = QStringLiteral("Error in Kavel script");

// The exact bytes of a script saved at the given moment.
QByteArray scriptText(const JobSettings& job, const QDateTime& savedAt);

struct ScriptSave {
    bool ok = false;
    QString error; // why nothing was written
};

// Writes the script to path. A value holding a line break cannot be stored in this format
// and is refused; the file is replaced only once it was written completely.
ScriptSave saveScript(const QString& path, const JobSettings& job,
                      const QDateTime& savedAt = QDateTime::currentDateTime());

struct ScriptLoad {
    bool ok = false;
    QString detail;            // what was wrong, naming the line; empty when ok
    int line = 0;              // 1-based line where reading stopped (0: the file itself)
    bool sizeSet = false;      // SizeUnits was read: the archive size update is due
    int zipNameMaxLength = 20; // maximum length of the name field after the load
    // The first line whose key is not the one expected there, named with both keys: the
    // values were read by position and are one line off from there on. Empty when every
    // line carries its key (every script this program wrote does).
    QString labelFault;
};

// Reads script bytes into job, which the caller has prepared (SkipList emptied). Reading
// stops at the first error; the values read before it stay in job.
ScriptLoad readScript(const QByteArray& bytes, JobSettings& job);

// Loads the script file at path into job. Outside batch mode an error shows the box
// "Error in Kavel script"; in batch mode nothing is shown.
ScriptLoad loadScript(const QString& path, JobSettings& job, WindowPort& window,
                      const RunFlags& flags);

// Largest script file accepted; anything bigger is not a script.
inline constexpr qint64 kMaxScriptBytes = 16 * 1024 * 1024;
