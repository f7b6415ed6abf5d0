#pragma once

#include <QDate>
#include <QString>

#include <cstdint>

// Where the set's files are named: its zips (the job's name cut to fit, the date of a "$" run
// and each zip's number), its SFV and its PAR2 recovery files; and what a name in the zip
// folder is of the set. The plan takes every name from here, as do the steps after the last
// zip, the check and the unpack.

// The job's name cut to fit 8.3 with the set's numbers: six characters before two digits,
// five before three, twenty for one archive (sizeUnits 0).
QString cutZipName(const QString& zipName, int sizeUnits, bool threeDigits);
// What every file of a set of zipName starts with, whatever its date, digits or cut.
QString setNameLead(const QString& zipName);

// Empty for one archive (sizeUnits 0) or a single volume; else "00" or "000" digits, more
// when the number needs them.
QString volumeNumberText(int16_t sizeUnits, int diskCount, int diskNumber, bool threeDigits);
// "mmdyy" in a date-stamped run (5 July 1998: "07598"), else empty.
QString dateStampText(bool dateStampRun, const QDate& today);
// ZipDir + separator + ZipName + date + number (no extension).
QString zipBaseFor(const QString& zipDir, const QString& zipName, const QString& dateText,
                   const QString& numberText);
// ZipName + date + number + ".zip", as the progress page shows it.
QString shownZipName(const QString& zipName, const QString& dateText, const QString& numberText);

// The set's SFV, STEM.sfv, and the PAR2 file par2 is told to make and verify, STEM.par2
// (stem: the cut name and the date).
QString sfvFileName(const QString& stem);
QString par2FileName(const QString& stem);
// A PAR2 file's name: ".par2" at the end, in any case.
bool isPar2Name(const QString& name);
// A PAR2 recovery volume's name: ".volN+M.par2" at the end, in any case.
bool isPar2VolumeName(const QString& name);
// Whether name is one of the PAR2 files par2 makes for stem: STEM.par2 or STEM.volN+M.par2,
// compared in the case given.
bool isPar2NameOf(const QString& name, const QString& stem, Qt::CaseSensitivity cs);

// What a name is of the set named stem: a zip (stem + two or three digits, its number, or
// stem alone, 0), the SFV or a PAR2 file, in any case (receivers ignore it). A name says
// nothing of what the file is: the plan's judgement of the zip folder decides that.
struct SetFileRole {
    enum class Kind { None, Zip, Sfv, Par2 };
    Kind kind = Kind::None;
    int number = 0;
};
SetFileRole setFileRole(const QString& fileName, const QString& stem);
