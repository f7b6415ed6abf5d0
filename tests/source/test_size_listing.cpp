#include "source/size_listing.h"

#include <QBuffer>
#include <QFile>
#include <QtTest>

namespace {

ListingScan scanRecorded(const QString& name, const QString& source) {
    QFile file(QStringLiteral(KAVEL_SOURCE_DIR "/tests/source/data/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing recorded listing %s", qPrintable(name));
    return scanSizeListing(file, source);
}

} // namespace

class SizeListingTest : public QObject {
    Q_OBJECT
  private slots:
    // Listings recorded from the size program (size-<version>_<case>) and written by hand to
    // stand for other listings (handmade_<case>).
    void recordedListings_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("totals");
        const QString pack = "/tmp/kavel/Games/Pack";
        const QString flat = "/tmp/kavel/Games/Flat";
        const int found = int(ListingOutcome::Found), none = int(ListingOutcome::NoTotal),
                  broken = int(ListingOutcome::Broken);
        QTest::newRow("grand total, totals only") << "size-3.10_subdirs_totals.txt" << pack << found
                                                  << "13,484,575 bytes in 5 files in 3 directories";
        QTest::newRow("grand total after file lines")
            << "size-3.10_subdirs_files.txt" << pack << found
            << "13,484,575 bytes in 5 files in 3 directories";
        QTest::newRow("no sub-directories: header pass")
            << "size-3.10_flat_totals.txt" << flat << found << "1,000,001 bytes in 2 files";
        QTest::newRow("no sub-directories, file lines after the total")
            << "size-3.10_flat_files.txt" << flat << found << "1,000,001 bytes in 2 files";
        QTest::newRow("header compared upper-cased")
            << "handmade_windows-header.txt"
            << "c:\\games\\flat" << found << "12,345,678 bytes in 3 files";
        QTest::newRow("header of another source") << "size-3.10_flat_totals.txt"
                                                  << "/tmp/kavel/Games/Flat2" << none << "";
        QTest::newRow("total line is the last")
            << "handmade_total-is-last-line.txt" << pack << broken << "";
        QTest::newRow("header line is the last")
            << "handmade_header-is-last-line.txt" << flat << broken << "";
        QTest::newRow("near misses only") << "handmade_no-total.txt"
                                          << "/tmp/kavel/Games/Pac" << none << "";
        QTest::newRow("lone CR line ends")
            << "handmade_lone-cr.txt" << flat << found << "1,000,000 bytes in 2 files";
        QTest::newRow("first total wins")
            << "handmade_two-totals.txt" << pack << found << "1,000,000 bytes";
    }
    void recordedListings() {
        QFETCH(QString, file);
        QFETCH(QString, source);
        const ListingScan scan = scanRecorded(file, source);
        QTEST(int(scan.outcome), "outcome");
        QTEST(scan.totalsLine, "totals");
    }

    void emptySourceMatchesNoHeader() {
        QByteArray listing("  \r\n  5 bytes\r\n");
        QBuffer buffer(&listing);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(scanSizeListing(buffer, QString()).outcome, ListingOutcome::NoTotal);
    }

    void upperCasingIsAsciiOnly() {
        QCOMPARE(listingUpperCase("/home/straße/é"), QString("/HOME/STRAßE/é"));
    }

    void sizeField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<float>("millions");
        QTest::newRow("grouped") << "12,345,678 bytes" << 12.345678f;
        QTest::newRow("exactly a million") << "1,000,000 bytes" << 0.0f;
        QTest::newRow("one above") << "1,000,001" << 1.000001f;
        QTest::newRow("cd image") << "650,000,000 Total bytes" << 650.0f;
        QTest::newRow("calculating") << "Calculating files and size" << 0.0f;
        QTest::newRow("error") << "Error" << 0.0f;
        QTest::newRow("empty") << "" << 0.0f;
        QTest::newRow("digits then letters") << "2000000kb 9" << 2.0f;
        QTest::newRow("leading blank stops at once") << " 5,000,000" << 0.0f;
        QTest::newRow("negative") << "-5,000,000" << 0.0f;
        QTest::newRow("beyond single precision") << QString(60, '9') << 0.0f;
        QTest::newRow("terabytes") << "2,000,000,000,000 bytes" << 2000000.0f;
    }
    void sizeField() {
        QFETCH(QString, field);
        QFETCH(float, millions);
        QCOMPARE(parseSizeField(field), millions);
    }
};

QTEST_GUILESS_MAIN(SizeListingTest)
#include "test_size_listing.moc"
