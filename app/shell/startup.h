#pragma once

#include "job/job_settings.h"
#include "session/script_argument.h"

#include <QString>
#include <QStringList>

// "Kavel32 - " + the script's file name.
QString scriptWindowTitle(const QString& scriptPath);

// Root-directory guard: a program folder that is a drive or file-system root.
bool isRootFolder(const QString& folder);
QString rootFolderMessage();

// Title of a page without its leading blank ("Source", ..., "Kavel!", "About").
QString pageTitleFor(Page page);

// How many command-line arguments from argv[i] on are one of Qt's own options, which the
// application takes for itself ("-style Fusion", "-platform offscreen", "--reverse",
// "-stylesheet=a.qss"): 0 when argv[i] is not one.
int qtOptionArguments(int argc, const char* const* argv, int i);
