#pragma once
// The module's version block: file and product version, descriptions, original file name and
// the self-registration marker. libzqmarq carries it as data in its own section, where
// `zqregsvr --info` finds it without loading the library; the build takes the library's
// VERSION and SOVERSION from ZQMARQ_FILE_VERSION_TEXT below.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// Four numbers as the version block spells them; CMake reads this line.
#define ZQMARQ_FILE_VERSION_TEXT "2, 0, 0, 1"
#define ZQMARQ_VERSION_BLOCK_MAGIC "ZQMARQ VERSIONINFO"

namespace zqmarq {

// Layout of the block: this magic, a NUL, the format "1", a NUL, then name NUL value NUL pairs,
// ended by an empty name. A marker is a name with an empty value.
inline constexpr char kVersionBlockMagic[] = ZQMARQ_VERSION_BLOCK_MAGIC;
inline constexpr char kVersionBlockFormat[] = "1";
inline constexpr const char* kSelfRegisterMarker = "OLESelfRegister";

using VersionEntries = QList<QPair<QString, QString>>;

// Finds and reads the version block in a library file's bytes. Nothing, with *error set,
// when there is none or it is malformed.
std::optional<VersionEntries> readVersionBlock(const QByteArray& fileBytes, QString* error);

} // namespace zqmarq
