#pragma once

#include <QString>

// Path rules in one place. The Windows style exists so that rules written with drive
// letters and backslashes can be checked as written; the host style keeps case and "/".
enum class PathStyle { Host, Windows };

PathStyle pathStyle();
void setPathStyle(PathStyle style); // for tests

QChar pathSeparator();
bool endsWithSeparator(const QString& path);
// dir + separator + name, without doubling a separator already at the end of dir.
QString joinPath(const QString& dir, const QString& name);
// The part after the last separator.
QString fileNamePart(const QString& path);
// Lower-cases where the file system ignores case; a case-sensitive one keeps it.
QString foldCase(const QString& path);
// Whether path lies in (or is) dir, compared as the file system compares.
bool pathWithin(const QString& path, const QString& dir);

// Places on disk.
namespace AppPaths {
// Folder of the running executable (the program folder of a build tree).
QString programFolder();
// The outside tools the run starts (wrar, wace, size, pkzip): libexec/kavel32 of an installed
// tree, found from the executable's folder; the program folder itself in a build tree.
QString helperFolder();
// Read-only resources (sounds, help, pictures): resources/ beside the executable in a build
// tree, else share/kavel32 of the installed tree the executable is in.
QString resourceFolder();
// Writable per-user state: Kavel32.ini, temp/, the per-zip working copies.
QString stateFolder();
QString stateTempFolder();
// Private per-user scratch folder (mode 0700) for skip.txt, size.txt, ~kavel.diz, text.tmp.
QString scratchFolder();
QString scratchFile(const QString& name);
// Finds one of our outside tools (wrar, size, ...): helper folder first, then PATH.
QString toolPath(const QString& name);
} // namespace AppPaths
