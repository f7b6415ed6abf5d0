#include "release/set_naming.h"

#include "job/text_lines.h"

#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

QString baseOf(const QString& fileName) {
    return fileName.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) ? fileName.chopped(4)
                                                                         : fileName;
}

qsizetype trailingDigits(const QString& s) {
    qsizetype n = 0;
    while (n < s.size() && isDigit(s[s.size() - 1 - n]))
        ++n;
    return n;
}

bool hasControl(const QString& s) {
    return std::any_of(s.cbegin(), s.cend(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

// The names read with one width: the stem most of them share and its highest number.
struct WidthReading {
    QList<SetZipName> names;
    int covered = 0;
    int highest = 0;
};

WidthReading readWithWidth(const QStringList& fileNames, int width) {
    WidthReading r;
    QHash<QString, int> stems;
    for (const QString& fileName : fileNames) {
        const QString base = baseOf(fileName);
        SetZipName n{fileName, base, 0, 0};
        if (trailingDigits(base) >= width && base.size() > width) {
            n = {fileName, base.chopped(width), base.right(width).toInt(), width};
            ++stems[n.stem];
        }
        r.names << n;
    }
    QString common;
    for (auto it = stems.cbegin(); it != stems.cend(); ++it)
        if (it.value() > r.covered || (it.value() == r.covered && it.key() < common)) {
            r.covered = it.value();
            common = it.key();
        }
    for (const SetZipName& n : r.names)
        if (n.width && n.stem == common)
            r.highest = qMax(r.highest, n.number);
    return r;
}

// The volume a zip holds when nothing says which: of the entries that are neither the diz
// nor an nfo, the one named like a volume, then the one no other zip holds. Empty when it
// stays unclear.
QString pickVolume(const ZipDirectory& zip, const QHash<QString, int>& nameUse) {
    QList<const ZipEntryInfo*> candidates;
    for (const ZipEntryInfo& e : zip.entries)
        if (!isDizEntry(e.name) && !e.name.endsWith(QLatin1String(".nfo"), Qt::CaseInsensitive))
            candidates << &e;
    auto narrow = [&candidates](auto keep) {
        QList<const ZipEntryInfo*> kept;
        std::copy_if(candidates.cbegin(), candidates.cend(), std::back_inserter(kept), keep);
        if (!kept.isEmpty())
            candidates = kept;
    };
    if (candidates.size() > 1)
        narrow([](const ZipEntryInfo* e) { return isVolumeNameOf(e->name, {}); });
    if (candidates.size() > 1)
        narrow([&](const ZipEntryInfo* e) { return nameUse.value(e->name.toLower()) == 1; });
    return candidates.size() == 1 ? candidates.front()->name : QString();
}

QString volumeStemOf(const QString& volume) {
    return volume.left(volume.indexOf(QLatin1Char('.')));
}

// The entries besides the volume, the diz always among them; while the volume is unclear,
// none that is named like one.
QStringList companionsOf(const ZipDirectory& zip, const QString& volume) {
    QStringList names{QStringLiteral("file_id.diz")};
    for (const ZipEntryInfo& e : zip.entries)
        if (e.name != volume && !names.contains(e.name, Qt::CaseInsensitive) &&
            (!volume.isEmpty() || !isVolumeNameOf(e.name, {})))
            names << e.name;
    return names;
}

QString key(QStringList names) {
    for (QString& name : names)
        name = name.toLower();
    names.sort();
    return names.join(QLatin1Char('/'));
}

// The companions most zips after the first hold (the lowest place's on a tie); empty when
// there are none after the first.
QStringList agreedCompanions(const QList<QStringList>& companions, const QList<int>& places) {
    QMap<int, int> byPlace; // place -> index, lowest first
    for (int i = 0; i < places.size(); ++i)
        if (places[i] > 1 && !byPlace.contains(places[i]))
            byPlace.insert(places[i], i);
    QHash<QString, int> votes;
    for (int i : byPlace)
        ++votes[key(companions[i])];
    QStringList agreed;
    int most = 0;
    for (int i : byPlace)
        if (votes.value(key(companions[i])) > most) {
            most = votes.value(key(companions[i]));
            agreed = companions[i];
        }
    return agreed;
}

} // namespace

QList<SetZipName> nameZips(const QStringList& fileNames) {
    // One zip: a single archive, unless it plainly says it is number 1.
    if (fileNames.size() == 1) {
        const QString base = baseOf(fileNames.front());
        const qsizetype digits = trailingDigits(base);
        for (int width : {3, 2})
            if (digits >= width && base.right(width).toInt() == 1 && base.size() > width)
                return {{fileNames.front(), base.chopped(width), 1, width}};
        return {{fileNames.front(), base, 0, 0}};
    }
    WidthReading best;
    best.covered = -1;
    for (int width : {3, 2}) {
        WidthReading tried = readWithWidth(fileNames, width);
        if (tried.covered > best.covered ||
            (tried.covered == best.covered && tried.highest < best.highest))
            best = tried;
    }
    return best.names;
}

NamedSet nameSet(const QStringList& fileNames) {
    NamedSet set;
    set.names = nameZips(fileNames);
    QHash<QString, int> stemCount;
    for (const SetZipName& n : set.names)
        ++stemCount[n.stem];
    int most = 0;
    for (const SetZipName& n : set.names)
        if (stemCount.value(n.stem) > most && (n.number > 0 || set.names.size() == 1)) {
            most = stemCount.value(n.stem);
            set.stem = n.stem;
        }
    if (set.stem.isEmpty() && !set.names.isEmpty())
        set.stem = set.names.front().stem;
    for (const SetZipName& n : set.names)
        if (n.stem == set.stem)
            set.width = qMax(set.width, n.width);
    for (const SetZipName& n : set.names) {
        const bool single = set.names.size() == 1 && n.number == 0;
        set.places << (single ? 1 : (n.stem == set.stem ? n.number : 0));
        QStringList faults;
        if (hasControl(n.fileName))
            faults << QStringLiteral("the name holds a control character");
        if (!single && n.width == 0)
            faults << QStringLiteral("the name carries no set number of two or three digits");
        else if (n.stem != set.stem)
            faults << QStringLiteral("the name does not share the stem %1 of the set")
                          .arg(printableText(set.stem));
        else if (n.width != set.width)
            faults << QStringLiteral("the number is %1 digits wide, the set's %2")
                          .arg(n.width)
                          .arg(set.width);
        set.nameFaults << faults;
    }
    return set;
}

QList<ZipExpectation> agreedExpectations(const QList<const ZipDirectory*>& zips,
                                         const QList<int>& places, int count) {
    QHash<QString, int> nameUse;
    for (const ZipDirectory* zip : zips) {
        QSet<QString> once;
        for (const ZipEntryInfo& e : zip->entries)
            once.insert(e.name.toLower());
        for (const QString& name : once)
            ++nameUse[name];
    }
    QStringList volumes;
    QList<QStringList> companions;
    QHash<QString, int> stems;
    for (const ZipDirectory* zip : zips) {
        volumes << pickVolume(*zip, nameUse);
        companions << companionsOf(*zip, volumes.back());
        if (!volumes.back().isEmpty())
            ++stems[volumeStemOf(volumes.back()).toLower()];
    }
    // The stem most volumes share (the first in order on a tie).
    QString volumeStem;
    for (auto it = stems.cbegin(); it != stems.cend(); ++it)
        if (volumeStem.isEmpty() || it.value() > stems.value(volumeStem) ||
            (it.value() == stems.value(volumeStem) && it.key() < volumeStem))
            volumeStem = it.key();
    const QStringList agreed = agreedCompanions(companions, places);
    const int first = int(places.indexOf(1));
    QList<ZipExpectation> expected;
    for (int i = 0; i < zips.size(); ++i) {
        ZipExpectation e;
        e.place = places[i];
        e.count = count;
        // The others hold nothing but the diz: zip 1 holds what the job puts there only.
        const bool othersHoldNone = agreed.size() <= 1;
        e.companions = othersHoldNone && places[i] == 1 ? companions[i] : agreed;
        if (e.companions.isEmpty())
            e.companions << QStringLiteral("file_id.diz");
        if (othersHoldNone && places[i] != 1 && first >= 0)
            e.zipOneOnly = companions[first];
        e.needsNfo = places[i] == 1;
        if (volumeStemOf(volumes[i]).compare(volumeStem, Qt::CaseInsensitive) == 0)
            e.volumeName = volumes[i];
        e.volumeStem = volumeStem;
        expected << e;
    }
    return expected;
}
