#pragma once

#include "job/command.h"

#include <QString>
#include <QStringList>

// PAR2 recovery files for a set of zips, made and checked with the par2 program
// (par2cmdline): STEM.par2 and STEM.volA+B.par2 beside the zips.

// Empty when the par2 program can be run, else the line that says it is missing.
QString par2MissingFault();

// "par2 create -q -r<percent> -B<folder> -- <outputFolder>/<stem>.par2 <zips...>": the zips'
// names are kept relative to folder, the recovery files written in outputFolder (folder
// when empty).
Command par2CreateCommand(const QString& folder, const QString& stem, int percent,
                          const QStringList& zipPaths, const QString& outputFolder = {});
// "par2 verify -q -B<folder> -- <recoveryFolder>/<stem>.par2" (recoveryFolder: folder when
// empty, or another spelling of it).
Command par2VerifyCommand(const QString& folder, const QString& stem,
                          const QString& recoveryFolder = {});

// Makes the recovery files, then verifies the set with them. par2 writes them into a new
// folder beside the zips; they replace the recovery files of the same stem left by an
// earlier run (which describe other zips), and a link holding one of their names is
// replaced, never written through. A par2 that fails leaves nothing of its own in folder. A
// folder whose path holds '*' or '?' (which par2 refuses in a recovery file's path) is
// reached through a link in the program's private work folder.
// False with *error naming the step and par2's own words.
bool makeRecoveryFiles(const QString& folder, const QString& stem, int percent,
                       const QStringList& zipPaths, QString* error);

// The recovery files of stem in folder, as par2 names them.
QStringList recoveryFileNames(const QString& folder, const QString& stem);
