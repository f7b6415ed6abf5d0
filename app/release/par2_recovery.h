#pragma once

#include "job/command.h"

#include <QString>
#include <QStringList>

// PAR2 recovery files for a set of zips, made and checked with the par2 program
// (par2cmdline): STEM.par2 and STEM.volA+B.par2 beside the zips.

// Empty when the par2 program can be run, else the line that says it is missing.
QString par2MissingFault();

// "par2 create -q -r<percent> -B<folder> -- <folder>/<stem>.par2 <zips...>"
Command par2CreateCommand(const QString& folder, const QString& stem, int percent,
                          const QStringList& zipPaths);
// "par2 verify -q -B<folder> -- <folder>/<stem>.par2"
Command par2VerifyCommand(const QString& folder, const QString& stem);

// Makes the recovery files, then verifies the set with them. Recovery files of the same stem
// left by an earlier run are removed first (par2 will not write over them, and they describe
// other zips). False with *error naming the step and par2's own words.
bool makeRecoveryFiles(const QString& folder, const QString& stem, int percent,
                       const QStringList& zipPaths, QString* error);

// The recovery files of stem in folder, as par2 names them.
QStringList recoveryFileNames(const QString& folder, const QString& stem);
