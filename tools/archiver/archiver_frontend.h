#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The archiver command lines the rip run builds: a -r <options> -y <archive> <source> [-x@list]
struct ArchiveRequest {
    QString archive;
    QString source;
    QString exclusionList;
    int64_t volumeBytes = 0; // 0: one archive
    int methodDigit = 3;
};

enum class FrontendKind { Rar, Ace };

// Parses the arguments; on failure returns false with a one-line reason.
bool parseArchiveRequest(const QStringList& args, FrontendKind kind, ArchiveRequest* request,
                         QString* error);

// The 7-Zip compression level for a method digit 0..5.
int sevenZipLevel(int methodDigit);

// Reads an exclusion list (absolute entries; "dir/*.*" for a directory) and returns the
// 7-Zip exclusion patterns relative to baseDir. Entries outside the source are dropped.
QStringList exclusionPatterns(const QByteArray& listText, const QString& source,
                              const QString& baseDir);

// Runs the whole front-end; returns the exit status. Errors go to standard error as one line.
int runFrontend(const QStringList& args, FrontendKind kind);
