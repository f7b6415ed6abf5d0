#pragma once

#include "job/job_settings.h"

#include <QString>

// Every zip holds file_id.diz, the tagged nfo and the extra files side by side. Two of them
// with one name (receivers unpack on systems that ignore case) would silently replace one
// another, the numbered diz above all. Returns why, naming the files, or empty when every
// name is distinct. An extra directory is looked into; a missing one is not this check's.
QString companionNameClash(const JobSettings& job);
