#pragma once

// Helpers for the zip tests: files with known contents and the real unzip to look inside.

#include "../common/file_helpers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

namespace ziptest {

inline QByteArray randomBytes(qsizetype size, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(gen.generate() & 0xff);
    return bytes;
}

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

inline Run run(const QString& program, const QStringList& args, const QString& stdinFile = {}) {
    QProcess p;
    if (!stdinFile.isEmpty())
        p.setStandardInputFile(stdinFile);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// Entry names in stored order.
inline QStringList entries(const QString& zip) {
    const Run r = run("unzip", {"-Z1", zip});
    return QString::fromLocal8Bit(r.out).split('\n', Qt::SkipEmptyParts);
}

inline bool testsClean(const QString& zip) {
    return run("unzip", {"-tq", zip}).status == 0;
}

inline QByteArray entryBytes(const QString& zip, const QString& name) {
    return run("unzip", {"-p", zip, name}).out;
}

inline QByteArray comment(const QString& zip) {
    return run("unzip", {"-z", "-q", zip}).out;
}

// Anything but the named files in dir (left-over temporary files, for instance).
inline QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace ziptest
