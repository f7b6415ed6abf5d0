#pragma once

#include <QString>
#include <QStringList>

// The scripts last opened or saved, newest first, for File > Open recent and the job offered
// at start; kept in RecentScripts.txt in the per-user state folder, a path a line.
inline constexpr int kRecentScriptsKept = 8;

QString recentScriptsPath();
// A missing or unreadable file gives none; lines that are not absolute paths are left out.
QStringList readRecentScripts();
// path first, once, and no more than kRecentScriptsKept.
QStringList withRecentScript(const QStringList& recent, const QString& path);
QStringList withoutScript(const QStringList& recent, const QString& path);
bool writeRecentScripts(const QStringList& recent, QString* error = nullptr);

// What a path dropped on the window becomes.
enum class DropKind { None, Source, Script };
// A folder or an .iso image: the source; a .rip file: a script to open; anything else
// (or nothing there): nothing.
DropKind dropKindOf(const QString& path);
