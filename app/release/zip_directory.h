#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct zip;

// One zip of a set as its central directory describes it, read before any data: the names
// and claimed sizes of its entries, the entries a receiver refuses to unpack, and its
// file_id.diz (a few lines, read whole and CRC-checked). The other entries' bytes are read
// later, once (zip_inspection.h).

struct ZipEntryInfo {
    QString name;
    quint64 index = 0; // in the central directory
    qint64 size = 0;   // as declared: never more is read or written
    qint64 compressedSize = 0;
    quint32 crc = 0;
    bool stored = false; // kept uncompressed and unencrypted: its bytes lie in the zip as they are
    qint64 dataOffset = -1; // where its bytes begin in the zip file; -1: not laid out
    QString refusal;        // why it is not read at all (a receiver refuses it too)
};

struct ZipDirectory {
    QString path;
    QString fileName;
    qint64 fileSize = 0;
    QString openFault; // why it cannot be read as a zip; nothing below is valid then
    QList<ZipEntryInfo> entries;
    int dizCount = 0;         // entries named file_id.diz, in any case
    QByteArray diz;           // its bytes, when there is exactly one and it read back whole
    QString dizFault;         // why it cannot be taken for a diz (already said: file_id.diz ...)
    QStringList layoutFaults; // bytes out of place, records that disagree (zip_layout.h)
    QByteArray comment;       // the zip's comment
};

// Opens path read-only (refusing what is not a regular file before anything reads it),
// lists the entries and reads the diz.
ZipDirectory readZipDirectory(const QString& path);

// A zip opened read-only through libzip, closed with the object.
class ZipArchive {
  public:
    // Empty *fault: opened; else why not ("is not a zip archive", ...).
    ZipArchive(const QString& path, QString* fault, qint64* fileSize = nullptr);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool isOpen() const { return archive_ != nullptr; }
    QList<ZipEntryInfo> entries(qint64 fileSize) const;
    // Reads an entry whole, handing its bytes to take, and checks its CRC at its end. Never
    // reads past the declared size: more data than declared is damage, found there. Empty
    // when it read back whole; else the fault (take's own, when it returns one).
    QString readEntry(const ZipEntryInfo& entry,
                      const std::function<QString(QByteArrayView)>& take) const;

  private:
    zip* archive_ = nullptr;
};

// Why an entry name is refused by a receiver's unpacker: an absolute path, a drive, a ".."
// component, a control character, an empty name. Empty when it is a plain relative name.
QString unsafeEntryNameFault(const QString& name);

bool isDizEntry(const QString& name);
