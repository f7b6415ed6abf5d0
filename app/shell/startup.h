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
