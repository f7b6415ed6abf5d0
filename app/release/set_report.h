#pragma once

#include "release/volume_test.h"
#include "release/zip_inspection.h"

#include <QString>
#include <QStringList>

// The report of a set's check: a header, a line per zip in set order, the set's lines and a
// summary. Every fault names the zip (or the SFV line) it is about where it has one.

struct SetReport {
    QStringList lines;  // a header, a line per zip, the set's lines, a summary
    QStringList faults; // every fault, each naming its zip where it has one
    int zips = 0;       // zips taken for the set
    // The set as the check took it: what its names start with, its count and the width of
    // its numbers; the zips it took as members, in set order, and those of them whose
    // own inspection and name found nothing wrong.
    QString stem;
    int count = 0;
    int width = 2;
    QStringList members;
    QStringList soundMembers;
    // The volumes joined in set order where the check was asked to keep them, named as the
    // archiver finds them (the first is the one to give it); empty otherwise.
    QList<JoinedVolume> joined;
    bool passed() const { return faults.isEmpty(); }
};

// The report's first fault, and how many more there are: "... (and 3 more)"; empty when the
// set passed.
QString firstFault(const SetReport& report);

// One zip of the folder as the check found it.
struct CheckedZip {
    QString fileName;
    QString path;
    int place = 0;          // its number in the set; 0: it is not one of the set's zips
    QStringList nameFaults; // what is wrong with its name
    ZipFindings findings;   // what its inspection found (not inspected: empty)
};

// "zip 05 game05.zip", "zip ?? gamf05.zip" for one that has no place.
QString zipLabel(int place, const QString& fileName, int width);

// A fault of the whole set, and its line.
void addSetFault(SetReport& report, const QString& text);
// A line per zip: "ok" with its volume and disk numbers, or "FAILED" with every fault.
void addZipLines(SetReport& report, const QList<CheckedZip>& zips, int width);
// The summary line, last.
void finishReport(SetReport& report);
