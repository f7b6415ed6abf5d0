#include "release/sfv_check.h"

#include "job/text_lines.h"
#include "platform/file_read.h"
#include "release/sfv_file.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace {

bool readSfv(const QString& path, SfvParse* sfv, QString* error) {
    QByteArray bytes;
    if (!readRegularFile(path, kMaxSfvBytes, &bytes, error))
        return false;
    *sfv = parseSfv(bytes);
    *error = sfv->error;
    return sfv->ok;
}

const SfvMember* memberNamed(const QList<SfvMember>& members, const QString& name) {
    for (const SfvMember& m : members)
        if (m.fileName.compare(name, Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

// The CRC of each zip, read once for all the SFVs.
quint32 crcOf(const SfvMember& m, QHash<QString, quint32>& known, QString* error) {
    if (m.crc)
        return *m.crc;
    if (!known.contains(m.path)) {
        quint32 crc = 0;
        if (!fileCrc32(m.path, &crc, error))
            return 0;
        known.insert(m.path, crc);
    }
    return known.value(m.path);
}

} // namespace

QStringList setSfvFiles(const QString& folder, const QString& stem,
                        const QList<SfvMember>& members) {
    QStringList found;
    for (const QString& name :
         QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name)) {
        if (!name.endsWith(QLatin1String(".sfv"), Qt::CaseInsensitive))
            continue;
        bool ofTheSet = name.chopped(4).compare(stem, Qt::CaseInsensitive) == 0;
        SfvParse sfv;
        QString error;
        if (!ofTheSet && readSfv(QDir(folder).filePath(name), &sfv, &error))
            for (const SfvEntry& entry : sfv.entries)
                ofTheSet = ofTheSet || memberNamed(members, entry.name);
        if (ofTheSet)
            found << name;
    }
    return found;
}

QStringList sfvFaults(const QString& folder, const QString& sfvName,
                      const QList<SfvMember>& members) {
    SfvParse sfv;
    QString error;
    if (!readSfv(QDir(folder).filePath(sfvName), &sfv, &error))
        return {error};
    QStringList faults;
    QHash<QString, qsizetype> firstLine; // name -> index of its first entry
    QHash<QString, quint32> crcs;
    for (qsizetype i = 0; i < sfv.entries.size(); ++i) {
        const SfvEntry& entry = sfv.entries[i];
        const QString line = QStringLiteral("line %1: ").arg(sfv.lines[i]);
        const QString shown = printableText(entry.name);
        const QString key = entry.name.toLower();
        if (firstLine.contains(key) && sfv.entries[firstLine.value(key)].crc != entry.crc)
            faults << line + QStringLiteral("lists %1 again with another CRC (line %2 says %3)")
                                 .arg(shown)
                                 .arg(sfv.lines[firstLine.value(key)])
                                 .arg(crcText(sfv.entries[firstLine.value(key)].crc));
        firstLine.insert(key, firstLine.value(key, i));
        const SfvMember* m = memberNamed(members, entry.name);
        if (!m) {
            faults << line +
                          QString::fromLatin1(QFileInfo::exists(QDir(folder).filePath(entry.name))
                                                  ? "lists %1, which is not a zip of the set"
                                                  : "lists %1, which is missing")
                              .arg(shown);
            continue;
        }
        error.clear();
        const quint32 crc = crcOf(*m, crcs, &error);
        if (!error.isEmpty())
            faults << line + error;
        else if (crc != entry.crc)
            faults << line + QStringLiteral("%1 has CRC %2 where the line says %3")
                                 .arg(m->label, crcText(crc), crcText(entry.crc));
    }
    for (const SfvMember& m : members)
        if (!firstLine.contains(m.fileName.toLower()))
            faults << QStringLiteral("%1 is not listed").arg(m.label);
    return faults;
}
