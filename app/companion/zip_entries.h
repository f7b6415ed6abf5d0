#pragma once

#include "job/job_settings.h"

#include <QString>
#include <QStringList>

// Every zip holds file_id.diz, the tagged nfo and the extra files side by side. Two of them
// with one name (receivers unpack on systems that ignore case) would silently replace one
// another, the numbered diz above all. Returns why, naming the files, or empty when every
// name is distinct. extraFiles are the names the extra adds (its own name for a file, the
// files of a directory).
QString companionNameClash(const JobSettings& job, const QStringList& extraFiles);
