#pragma once

#include <QString>

#include <cstdint>

// Archiver that makes the volume set.
enum class ArchiverKind { Rar, Ace };

// The pages of the main window; logic names the page that needs attention.
enum class Page { Source, Skip, Diz, Nfo, Zip, Progress, About };

// The values of one packaging job, in the order the script file writes them.
struct JobSettings {
    QString SourceSpec;
    QString SkipList; // one entry per line, every entry ends with CR LF
    QString DizFile;
    bool AutoNumber = false;
    QString NumberColumn;
    QString NumberLine;
    QString NfoFile;
    bool FirstZipOnly = false;
    bool ExtraIsFile = false;
    QString ExtraPath;
    QString ZipDir;
    QString ZipName;
    int16_t SizeUnits = 3;   // units of 500,000 bytes; 0 = one archive
    int16_t MethodIndex = 3; // kNoMethodChosen when the list has no entry chosen
    bool ZipExtra = false;
    ArchiverKind Archiver = ArchiverKind::Rar;
    QString WorkDrive; // where the output folder is made ("c" on the old platform)
    bool RawArchivesOnly = false;
    bool CommentOn = false;
    QString CommentFile;

    bool operator==(const JobSettings&) const = default;
};

// Compression methods 0 "Store" to 5 "Maximum"; -1 is a list with nothing chosen.
inline constexpr int16_t kNoMethodChosen = -1;
inline constexpr int16_t kMaximumMethod = 5;

// Flags set once from the command line.
struct RunFlags {
    bool BatchRun = false;
    bool DateStampRun = false;
    bool batch() const { return BatchRun || DateStampRun; }
    bool operator==(const RunFlags&) const = default;
};

// Result of the checks made before a run: the first page that needs attention and the
// text box to focus there (design name, empty when none).
struct JobReadiness {
    bool ready = true;
    Page page = Page::Source;
    QString focus;
    bool zipNameHasSpace = false;
    bool zipNameUnsafe = false;
};

JobReadiness isJobReady(const JobSettings& job);

// Title of every error box.
inline const QString kErrorTitle = QStringLiteral("Kavel32 error");

inline const QString kZipNameSpacesText = QStringLiteral("Spaces aren't allowed in filename");
inline const QString kZipNameCharsText =
    QStringLiteral("The filename can't hold < > : \" / \\ | ? *, \"..\" or control characters");

// A zip name that no file name may hold on the systems the zips travel to, or that would
// place zips outside the zip directory: < > : " / \ | ? *, control characters or "..".
bool isUnsafeZipName(const QString& zipName);

// One line naming what a failed readiness check wants, for the unattended start's report.
QString readinessReason(const JobReadiness& readiness);
