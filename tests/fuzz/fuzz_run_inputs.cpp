// Fuzz target for the whole input side of an unattended run: the script, the names of the
// companion files and of the source's files all come from the input. An archiver stand-in
// cuts a volume set; the check, the numbering and the zip wrapping are the real ones. Every
// run, whatever it is fed, must end with a clear result and keep its promises: every zip
// holds its own volume complete, every volume is zipped or still in the output folder, the
// source and the companions are unchanged, nothing is written outside the job's folders.
//
// Input: the script text, then after each "\n--\n" one name (the nfo, the extra file, then
// files of the source). In the script "@S", "@C" and "@Z" stand for the source, companion
// and zip folders.
#include "../fakes/recording_ports.h"
#include "engine/zip_wrapping.h"
#include "platform/paths.h"
#include "session/job_session.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool holds) {
    if (!holds)
        __builtin_trap();
}

QMap<QString, QByteArray> tree(const QString& root) {
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        out.insert(path, f.open(QIODevice::ReadOnly)
                             ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5)
                             : QByteArray("-"));
    }
    return out;
}

// A file name from the input: no separators or NUL, not "." or "..", at most 60 bytes.
QString safeName(const QByteArray& raw, const char* fallback) {
    QByteArray name = raw.left(60);
    name.replace('/', '_').replace('\0', '_');
    if (name.isEmpty() || name == "." || name == "..")
        name = fallback;
    return QFile::decodeName(name);
}

// The programs of the run: the size program writes a listing; the archiver cuts `volumes`
// volumes of 3,000 bytes next to the archive it is given; the comment tool succeeds.
int standInProgram(const Command& command, int volumes) {
    const QString program = QFileInfo(command.program).fileName();
    if (program == QLatin1String("size.exe")) {
        QFile out(command.stdoutFile);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        out.write("  Total of all files found\r\n  9,000 bytes in 3 files\r\n");
        return 0;
    }
    if (program == QLatin1String("wrar.exe") || program == QLatin1String("wace.pif")) {
        const int at = int(command.arguments.indexOf(QStringLiteral("-y")));
        const QString archive = command.arguments.value(at + 1);
        const QString stem = archive.left(archive.lastIndexOf(QLatin1Char('.')));
        for (int k = 1; k <= volumes; ++k) {
            QFile v(stem + QStringLiteral(".7z.%1").arg(k, 3, 10, QLatin1Char('0')));
            if (!v.open(QIODevice::WriteOnly))
                return 2;
            v.write(QByteArray(3000, char('a' + k % 26)));
        }
        return 0;
    }
    return 0;
}

// The first entry of a zip, and whether every byte of the zip reads back with its CRC.
struct FirstEntry {
    QByteArray name, data;
};
FirstEntry firstEntryOf(const QString& path, bool* sound) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    *sound = z != nullptr;
    if (!z)
        return {};
    FirstEntry first;
    const zip_int64_t n = zip_get_num_entries(z, 0);
    for (zip_int64_t i = 0; i < n && *sound; ++i) {
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), 0);
        *sound = f != nullptr;
        if (!f)
            break;
        char buffer[8192];
        zip_int64_t got;
        QByteArray data;
        while ((got = zip_fread(f, buffer, sizeof buffer)) > 0)
            data.append(buffer, qsizetype(got));
        *sound = got == 0;
        zip_fclose(f);
        if (i == 0)
            first = {QByteArray(zip_get_name(z, 0, 0)), data};
    }
    zip_discard(z);
    return first;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024)
        return 0;
    static QTemporaryDir scratch;
    qputenv("KAVEL32_SCRATCH_DIR", scratch.filePath(QStringLiteral("scratch")).toUtf8());
    qputenv("KAVEL32_STATE_DIR", scratch.filePath(QStringLiteral("state")).toUtf8());

    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\n');
    QList<QByteArray> pieces{QByteArray()};
    for (const QByteArray& line : parts) {
        if (line == "--")
            pieces.append(QByteArray());
        else
            pieces.last() += line + '\n';
    }
    for (QByteArray& piece : pieces)
        piece.chop(1);

    QTemporaryDir job;
    const QString source = job.filePath(QStringLiteral("src")),
                  companions = job.filePath(QStringLiteral("comp")),
                  zips = job.filePath(QStringLiteral("zips")),
                  work = job.filePath(QStringLiteral("work"));
    for (const QString& d : {source, companions, zips, work})
        QDir().mkpath(d);
    const QString nfo = companions + QLatin1Char('/') + safeName(pieces.value(1), "rel.nfo");
    const QString extra = companions + QLatin1Char('/') + safeName(pieces.value(2), "extra.txt");
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    };
    write(companions + QStringLiteral("/file_id.diz"), "Title\r\n\r\nDisk 00/00   of the set\r\n");
    write(nfo, "notes\r\n");
    write(extra, "extra\r\n");
    for (int i = 3; i < pieces.size() && i < 8; ++i)
        write(source + QLatin1Char('/') + safeName(pieces[i], "file"), pieces[i]);

    QByteArray script = pieces.value(0);
    script.replace("@S", QFile::encodeName(source));
    script.replace("@C", QFile::encodeName(companions));
    script.replace("@Z", QFile::encodeName(zips));
    const QString scriptPath = job.filePath(QStringLiteral("job.rip"));
    write(scriptPath, script);

    const QMap<QString, QByteArray> sourceBefore = tree(source),
                                    companionsBefore = tree(companions);
    RecordingMachine machine;
    machine.date = QDate(2026, 12, 8);
    machine.free = std::nullopt;
    const int volumeCount = 1 + int(size % 5);
    machine.onRun = [volumeCount](const Command& command) {
        return standInProgram(command, volumeCount);
    };
    NullWindowPort window;
    RunFlags flags;
    flags.BatchRun = true;
    SessionResult result;
    {
        JobSession session(window, machine, flags);
        session.setWorkDrive(work);
        const auto loaded = session.loadStep(scriptPath);
        // The job's folders stay the job's: a script may name any zip folder, but this
        // target writes only below its own.
        if (!loaded && !pathWithin(QDir::cleanPath(session.job().ZipDir), zips)) {
            JobSettings job = session.job();
            job.ZipDir = zips;
            session.setJob(job);
        }
        if (loaded)
            result = *loaded;
        else if (const auto checked = session.checkStep(scriptPath))
            result = *checked;
        else if (const auto measured = session.measureStep())
            result = *measured;
        else
            result = session.runStep();
    }
    check(result.exitCode == kExitCompleted || result.exitCode == kExitFailed);
    check(!result.message.isEmpty());

    // Every zip complete and holding a volume; zipped and kept volumes make the whole set.
    QStringList volumes;
    for (const QString& name : QDir(zips).entryList(QDir::Files | QDir::Hidden)) {
        check(name.endsWith(QLatin1String(".zip")));
        bool sound = false;
        const FirstEntry first = firstEntryOf(zips + QLatin1Char('/') + name, &sound);
        check(sound);
        check(first.name.contains(".7z.") && first.data.size() == 3000);
        volumes << QString::fromUtf8(first.name);
    }
    for (const QString& folder : QDir(work).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        volumes += listVolumes(work + QLatin1Char('/') + folder);
    if (result.exitCode == kExitCompleted)
        check(volumes.size() == volumeCount && QDir(work).isEmpty());
    // A volume may be both zipped and kept (its zip failed the read-back), never lost.
    volumes.removeDuplicates();
    check(volumes.isEmpty() || volumes.size() == volumeCount);

    check(tree(source) == sourceBefore);
    check(tree(companions) == companionsBefore);
    for (const QString& entry : QDir(job.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        check(QStringList{"src", "comp", "zips", "work", "job.rip"}.contains(entry));
    return 0;
}
