#pragma once

#include "release/zip_directory.h"
#include "release/zip_inspection.h"

#include <QList>
#include <QString>
#include <QStringList>

// A set of zips in a folder without a script: its members and their places are told by
// their names alone, and what each zip must hold by what the zips agree on.

// A zip's name taken apart: the stem, the set number (0: none, a single archive) and the
// number's width.
struct SetZipName {
    QString fileName;
    QString stem;
    int number = 0;
    int width = 0;
};

// Names a list of zip file names: the width (two or three digits) is chosen that gives the
// most names one common stem, then the lowest numbers: "game001".."game012" are numbers 1 to
// 12 of "game", "game0759801" is number 1 of the date-stamped "game07598". One zip without a
// number is a single archive.
QList<SetZipName> nameZips(const QStringList& fileNames);

// The set the names make: the stem most names share, the width of its numbers, each zip's
// place (0: not a member) and what is wrong with each name.
struct NamedSet {
    QString stem;
    int width = 0;
    QList<SetZipName> names;
    QList<int> places;
    QList<QStringList> nameFaults;
};
NamedSet nameSet(const QStringList& fileNames);

// What each zip must hold when no job says it: one volume (the entry named like a volume
// that no other zip holds), one file_id.diz, and the entries the zips after the first agree
// on; zip 1 holds those too, or, when the others hold none, what the job put into zip 1
// only, an nfo among them. zips[i] is at places[i] (0: not a member); count is the set's.
QList<ZipExpectation> agreedExpectations(const QList<const ZipDirectory*>& zips,
                                         const QList<int>& places, int count);
