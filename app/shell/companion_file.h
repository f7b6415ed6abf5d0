#pragma once

#include <QString>

// A file of the program's temp folder for Create on the Diz and Nfo pages: made empty when
// missing, an existing one keeps its text. Empty when it cannot be made.
QString ensureCompanionFile(const QString& name);
