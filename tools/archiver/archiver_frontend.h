#pragma once

#include <QByteArray>
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

// The 7-Zip switches that make a set's volumes the same on every machine when the run is a
// reproducible one (SOURCE_DATE_EPOCH set). 7-Zip writes one solid LZMA2 stream when it has
// one thread and blocks of four dictionaries when it has more, so a 7z set gets a block size
// of its own; a stored set, a zip set (each file deflated alone) need none.
QStringList reproducibleSwitches(FrontendKind kind, int methodDigit, bool reproducible);

// The archive's file name without the extension the rip run gives it (".rar", ".ace", or the
// ".001" of a three-digit set); empty when the path names no file ("out/", "out/.rar").
QString archiveStem(const QString& archive);

// The first volume 7-Zip makes for the stem: "name.7z" / "name.zip", or with volumes
// "name.7z.001" / "name.zip.001".
QString sevenZipVolumeName(const QString& stem, FrontendKind kind, bool split);

// Whether fileName is a volume of the stem's set: "name.7z", "name.7z.001", "name.7z.1000".
bool isSetVolume(const QString& fileName, const QString& stem, FrontendKind kind);

// Reads the exclusion list: a regular file of at most 16 MB. Anything else (a FIFO, a
// device such as /dev/zero, a folder) is refused with a one-line reason.
bool readExclusionList(const QString& path, QByteArray* text, QString* error);

// Turns exclusion list lines (absolute entries; "dir/*.*" for a folder) into 7-Zip exclusion
// switches for names as they are stored: prefix + "/" + the path below the source, or the
// path alone when prefix is empty. An entry counts as below the source when it starts with
// any of the source's spellings (as given, and with links resolved). Entries outside the
// source are dropped; a line that is not an absolute path, or that the system's encoding
// cannot carry, is refused, since it would silently leave the file in the set.
bool exclusionPatterns(const QByteArray& listText, const QStringList& sourceSpellings,
                       const QString& prefix, QStringList* patterns, QString* error);

// The line of 7-Zip's error output that says what failed ("System ERROR: errno=28 : No space
// left on device", "dir/f : errno=13 : Permission denied"); empty when there is none.
QString sevenZipFailure(const QByteArray& errors);

// Runs the whole front-end; returns the exit status. Errors go to standard error as one line.
// With KAVEL32_PROGRESS=1 in the environment, standard output gets one "NN%" line each time
// the archiver's percentage changes, and nothing else.
int runFrontend(const QStringList& args, FrontendKind kind);
