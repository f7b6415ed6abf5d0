#pragma once

#include "engine/job_settings.h"

#include <QString>
#include <QStringList>

// The command-line argument of an interactive or unattended start: "" (nothing), a script
// path, "!" + path (BatchRun) or "$" + path (DateStampRun). Only the first character is
// looked at; surrounding blanks and one pair of quotes around the path are dropped.
struct ScriptArgument {
    RunFlags flags;
    QString scriptPath;
};
ScriptArgument parseScriptArgument(const QString& argument);

// "Kavel32 - " + the script's file name.
QString scriptWindowTitle(const QString& scriptPath);

// Root-directory guard: a program folder that is a drive or file-system root.
bool isRootFolder(const QString& folder);
QString rootFolderMessage();

// Title of a page without its leading blank ("Source", ..., "Kavel!", "About").
QString pageTitleFor(Page page);

// The files a run leaves at fixed places, deleted when the window closes: the exclusion
// list, the tagged nfo copy for nfoFile, the working diz and the size listing. The nfo
// copy is left out when its name would hit the settings file.
QStringList runLeftoverFiles(const QString& nfoFile);
