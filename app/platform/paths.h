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
// Whether a and b name the same file: the same file on disk when both exist, else the same
// absolute path as the file system compares names.
bool samePath(const QString& a, const QString& b);

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
// Where stateFolder() is, without making it: for a start that must write nothing.
QString stateFolderPath();
QString stateTempFolder();
// Private per-user scratch folder (mode 0700, the user's own, not a link): it holds one work
// folder per running program. Empty with *error set when it is not usable.
QString scratchFolder(QString* error = nullptr);
// Where scratchFolder() is, without making it.
QString scratchFolderPath();
// This program's work folder, made fresh and private inside the scratch folder at first
// use: skip.txt, size.txt, ~kavel.diz and the working copies of file_id.diz and
// the tagged nfo live here, so programs running at once never share one. Empty with *error
// set when it cannot be made.
QString workFolder(QString* error = nullptr);
// workFolder() + name; empty when there is no work folder.
QString scratchFile(const QString& name);
// A spelling of folder for a program that reads '*' and '?' in a path as wildcards (par2's files,
// 7-Zip's output folder): folder itself when it holds neither, else a link named linkName in
// the work folder that leads to it (the caller removes it). folder when no link can be made.
QString wildcardFreeSpelling(const QString& folder, const QString& linkName);
// Where the working copies that go into every zip are made (file_id.diz, the tagged nfo): a
// folder of their own inside the work folder, so no other working file shares their names.
QString zipCopyFile(const QString& name);
// Removes the work folder and everything in it (when the program ends).
void removeWorkFolder();
// Removes the work folders of programs that were killed before they could (their process is
// gone).
void removeStaleWorkFolders();
} // namespace AppPaths
