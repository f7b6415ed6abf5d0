#pragma once

#include <QString>
#include <QStringList>

// Where a set is unpacked: a new folder named after the set beside its zips, which the user
// may change; the folders missing on the way there are made, and taken away again when the
// unpack does not finish.

// zipDir + "/" + the set's stem (the name its zips share; "unpacked" without zips), with
// "-2", "-3", ... added while that name is taken.
QString proposedUnpackFolder(const QString& zipDir);

class UnpackTarget {
  public:
    // Makes the folders missing above dest (dest itself is made by the unpack, once the whole
    // tree is there). False with the reason when one cannot be made.
    bool prepare(const QString& dest, QString* error);
    // The unpack did not finish: the folders prepare made go again, each only while empty.
    void undo();
    const QStringList& made() const { return made_; }

  private:
    QStringList made_; // outermost first
};
