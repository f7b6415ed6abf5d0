#pragma once

// Small file helpers the test groups share.

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTest>

// The whole file, or nothing when it cannot be read.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Creates or replaces the file, with its folders; false when it cannot.
inline bool writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The same, failing the test when it cannot.
inline void writeFile(const QString& path, const QByteArray& bytes) {
    QVERIFY2(writeAll(path, bytes), qPrintable(path));
}

// Relative path -> content hash of every file below root.
inline QMap<QString, QByteArray> treeHashes(const QString& root) {
    QMap<QString, QByteArray> result;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        result.insert(QDir(root).relativeFilePath(path),
                      QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256));
    }
    return result;
}

// Whether pid is a live process, read from /proc: a zombie writes nothing, and one that no
// parent reaps would still answer a signal.
inline bool processAlive(qint64 pid) {
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close > 0 && stat.size() > close + 2 && stat[close + 2] != 'Z';
}
