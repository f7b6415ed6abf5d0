#include "source/volume_estimate.h"

#include <QtTest>

class VolumeEstimateTest : public QObject {
    Q_OBJECT
  private slots:
    void captions_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("caption");
        QTest::newRow("one archive") << 0 << "1 Max file";
        QTest::newRow("1") << 1 << "0.5 M";
        QTest::newRow("2") << 2 << "1 M";
        QTest::newRow("floppy") << 3 << "1.44 M";
        QTest::newRow("5") << 5 << "2.5 M";
        QTest::newRow("10") << 10 << "5 M";
        QTest::newRow("199") << 199 << "99.5 M";
    }
    void captions() {
        QFETCH(int, position);
        QTEST(sizeCaption(position), "caption");
        QTEST(archiveSizeChanged(position, false, 0, false, "x").sizeCaption, "caption");
    }

    void sliderEstimate_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<float>("sizeM");
        QTest::addColumn<bool>("threeBefore");
        QTest::addColumn<QString>("estimate");
        QTest::addColumn<bool>("three");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("name"); // from "SEVENCH"
        QTest::newRow("one archive")
            << 0 << 650.0f << true << "1.00 file" << false << 20 << "SEVENCH";
        QTest::newRow("cd image at 10")
            << 10 << 650.0f << false << "130.00 files" << true << 5 << "SEVEN";
        QTest::newRow("12.5 at floppy")
            << 3 << 12.5f << true << "8.68 files" << false << 6 << "SEVENC";
        // The floppy's volumes are 1,440,000 bytes: 142.6 M need 99.03 of them, not 95.07.
        QTest::newRow("floppy at its real size")
            << 3 << 142.6f << false << "99.03 files" << true << 5 << "SEVEN";
        QTest::newRow("smaller than a volume")
            << 3 << 1.2f << false << " 1.00 file" << false << 6 << "SEVENC";
        QTest::newRow("exactly 99")
            << 1 << 49.5f << false << "99.00 files" << false << 6 << "SEVENC";
        QTest::newRow("just above 99")
            << 1 << 49.6f << false << "99.20 files" << true << 5 << "SEVEN";
        QTest::newRow("size unknown keeps three digits")
            << 3 << 0.0f << true << "" << true << 5 << "SEVEN";
        QTest::newRow("size unknown keeps two digits")
            << 3 << 0.0f << false << "" << false << 6 << "SEVENC";
    }
    void sliderEstimate() {
        QFETCH(int, position);
        QFETCH(float, sizeM);
        QFETCH(bool, threeBefore);
        const ArchiveSizeUpdate update =
            archiveSizeChanged(position, false, sizeM, threeBefore, "SEVENCH");
        QCOMPARE(update.position, position);
        QTEST(update.estimateText, "estimate");
        QTEST(update.ThreeDigitNumbers, "three");
        QTEST(update.zipNameMaxLength, "limit");
        QTEST(update.ZipName, "name");
    }

    void cdImageSnapsToTen() {
        const ArchiveSizeUpdate update = archiveSizeChanged(4, true, 650.0f, false, "name");
        QCOMPARE(update.position, 10);
        QCOMPARE(update.sizeCaption, QString("5 M"));
        QCOMPARE(update.estimateText, QString("130.00 files"));
        QCOMPARE(archiveSizeChanged(0, true, 0, false, "n").position, 10);
        QCOMPARE(archiveSizeChanged(12, true, 0, false, "n").position, 12);
        QCOMPARE(archiveSizeChanged(4, false, 0, false, "n").position, 4);
    }

    void browseEstimate_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<float>("sizeM");
        QTest::addColumn<QString>("text");
        QTest::newRow("one archive") << 0 << 5.0f << "1.00 file";
        QTest::newRow("fits one volume, no blank") << 3 << 1.0f << "1.00 file";
        QTest::newRow("size unknown keeps the text") << 3 << 0.0f << "old";
        QTest::newRow("several") << 10 << 650.0f << "130.00 files";
    }
    void browseEstimate() {
        QFETCH(int, position);
        QFETCH(float, sizeM);
        QTEST(::browseEstimate(position, sizeM, "old"), "text");
    }

    void freeSpace_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("afterOpen"); // the sign position in every case
        QTest::newRow("512 million") << qint64(512000000) << "Free space  512 M"
                                     << "Free space  512 M";
        QTest::newRow("rounded up") << qint64(1500000) << "Free space  2 M"
                                    << "Free space  2 M";
        QTest::newRow("a million or less") << qint64(1000000) << "Free space  0 M"
                                           << "Free space  0 M";
        QTest::newRow("none") << qint64(0) << "Free space 0 M"
                              << "Free space  0 M";
        QTest::newRow("beyond 32 bits") << qint64(8000000000000) << "Free space  8000000 M"
                                        << "Free space  8000000 M";
    }
    void freeSpace() {
        QFETCH(qint64, bytes);
        QTEST(zipFreeSpaceText(bytes), "text");
        QTEST(zipFreeSpaceAfterOpenText(bytes), "afterOpen");
    }
};

QTEST_GUILESS_MAIN(VolumeEstimateTest)
#include "test_volume_estimate.moc"
