#pragma once

#include <QString>
#include <QStringList>

// What a run makes beside the zips while it works, under a name of the program's own and a
// lock it holds: the temporary zips of a zip call, the folder par2 writes into. Whatever of
// them a run that is gone left (killed outright, its lock free) the next run or resume in
// that folder removes; a live run's, in this PID namespace or another, stay.

// The folder par2 writes the recovery files into: this prefix and six letters and digits.
inline const QString kPar2FolderPrefix = QStringLiteral(".kavel32-par2-");

// Removes what runs that are gone left in zipDir. Returns the names removed.
QStringList removeAbandonedLeftovers(const QString& zipDir);
