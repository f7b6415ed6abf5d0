#pragma once
// Self-registration: writes or removes the type library, the three classes and the component
// categories in the component registry for the library at libraryPath.

#include "identifiers.h"

#include <QString>

namespace zqmarq {

// In this order: type library (kSelfRegETypeLib on failure), classes (kSelfRegEClass),
// component categories (not checked). registryPath is the file to change. A library path
// that cannot be stored (see unstorablePathReason) is refused with kSelfRegETypeLib and
// nothing is written.
HResult registerServer(const QString& registryPath, const QString& libraryPath);
HResult unregisterServer(const QString& registryPath);

// Path of the loaded library that holds this code.
QString thisLibraryPath();

} // namespace zqmarq
