#pragma once

#include "job/job_settings.h"

#include <QString>

// The command-line argument of an interactive or unattended start: "" (nothing), a script
// path, "!" + path (BatchRun) or "$" + path (DateStampRun). Only the first character is
// looked at; surrounding blanks and one pair of quotes around the path are dropped.
struct ScriptArgument {
    RunFlags flags;
    QString scriptPath;
};
ScriptArgument parseScriptArgument(const QString& argument);
