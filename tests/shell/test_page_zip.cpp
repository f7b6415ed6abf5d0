#include "page_harness.h"
#include "shell/ss_check.h"
#include "shell/ss_panel.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QWheelEvent>

// The Zip page: archive size, estimate, name limit, zip directory, compression, archiver.
class TestPageZip : public QObject {
    Q_OBJECT
  private slots:
    void controlsAtStart();
    void sliderCaptions_data();
    void sliderCaptions();
    void estimateAndNameLimit_data();
    void estimateAndNameLimit();
    void zipDirWithoutSourceShowsSourcePage();
    void zipDirFreeSpace_data();
    void zipDirFreeSpace();
    void archiverOptionsStayOpposite();
    void nameToolTipFollowsText();
    void sliderStepsByKeysAndWheel();
    void sizeFieldBesideTheSlider_data();
    void sizeFieldBesideTheSlider();

  private:
    QTemporaryDir dir_;
    // A source of the given size in millions of bytes, chosen with Browse.
    void source(PagesHarness& h, const QByteArray& totals) {
        const QString path = dir_.path() + QStringLiteral("/src");
        QDir().mkpath(path);
        h.machine.standardOutput = listingWithTotal(totals);
        h.dialogs.answerFolder(path);
        h.click("Command2");
    }
};

void TestPageZip::controlsAtStart() {
    PagesHarness h;
    QCOMPARE(h.find<QLabel>("Label6")->text(), QStringLiteral("Archive size"));
    auto* slider = h.find<QAbstractSlider>("VScroll1");
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 199);
    QCOMPARE(slider->value(), 3);
    QCOMPARE(h.find<SSPanel>("SSPanel6")->caption(), QStringLiteral("1.44 M"));
    QCOMPARE(h.find<QLabel>("Label19")->toolTip(),
             QStringLiteral("Calculated Rar's if no compression"));
    QCOMPARE(h.find<QLabel>("Label16")->text(), QStringLiteral("Filename"));
    QCOMPARE(h.find<QLineEdit>("Text3")->maxLength(), 6);
    QCOMPARE(h.find<QLabel>("Label5")->text(), QStringLiteral("Zip storage"));
    QCOMPARE(h.find<QPushButton>("Command10")->text(), QStringLiteral("&Browse"));
    QCOMPARE(h.find<QLabel>("Label14")->text(), QStringLiteral("Free space: "));
    auto* methods = h.find<QComboBox>("Combo1");
    QCOMPARE(methods->count(), 6);
    QCOMPARE(methods->itemText(0), QStringLiteral("Store"));
    QCOMPARE(methods->itemText(5), QStringLiteral("Maximum"));
    QCOMPARE(methods->currentText(), QStringLiteral("Normal"));
    QCOMPARE(h.find<QLabel>("Label12")->text(), QStringLiteral("Compression"));
    QCOMPARE(h.find<SSCheck>("SSCheck2")->text(), QStringLiteral("Zip E&xtra"));
    QCOMPARE(h.find<SSCheck>("SSCheck2")->value(), 0);
    QVERIFY(h.find<QRadioButton>("Option7")->isChecked());
    QVERIFY(!h.find<QRadioButton>("Option8")->isChecked());
    QCOMPARE(h.find<QRadioButton>("Option7")->text(), QStringLiteral("&Rar"));
    QCOMPARE(h.find<QRadioButton>("Option8")->text(), QStringLiteral("&Ace"));
    const JobSettings job = h.pages->model().job();
    QCOMPARE(job.SizeUnits, int16_t(3));
    QCOMPARE(job.MethodIndex, int16_t(3));
    QCOMPARE(job.Archiver, ArchiverKind::Rar);
}

void TestPageZip::sliderCaptions_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("estimate");
    QTest::newRow("one archive") << 0 << "1 Max file"
                                 << "1.00 file";
    QTest::newRow("1") << 1 << "0.5 M"
                       << "";
    QTest::newRow("2") << 2 << "1 M"
                       << "";
    QTest::newRow("floppy") << 3 << "1.44 M"
                            << "";
    QTest::newRow("10") << 10 << "5 M"
                        << "";
}

void TestPageZip::sliderCaptions() {
    QFETCH(int, position);
    QFETCH(QString, caption);
    QFETCH(QString, estimate);
    PagesHarness h;
    h.find<QAbstractSlider>("VScroll1")->setValue(position == 3 ? 4 : 3);
    h.find<QAbstractSlider>("VScroll1")->setValue(position);
    QCOMPARE(h.find<SSPanel>("SSPanel6")->caption(), caption);
    QCOMPARE(h.find<QLabel>("Label19")->text(), estimate);
}

void TestPageZip::estimateAndNameLimit_data() {
    QTest::addColumn<QByteArray>("totals");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("estimate");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("threeDigits");
    QTest::newRow("650 M at 10") << QByteArray("  650,000,000 bytes") << 10 << "130.00 files"
                                 << "longn" << true;
    QTest::newRow("650 M at 2") << QByteArray("  650,000,000 bytes") << 2 << "650.00 files"
                                << "longn" << true;
    QTest::newRow("12.5 M at 3") << QByteArray("  12,500,000 bytes") << 3 << "8.68 files"
                                 << "longna" << false;
    QTest::newRow("smaller than a volume") << QByteArray("  1,200,000 bytes") << 4 << " 1.00 file"
                                           << "longna" << false;
    QTest::newRow("one archive") << QByteArray("  650,000,000 bytes") << 0 << "1.00 file"
                                 << "longname" << false;
}

void TestPageZip::estimateAndNameLimit() {
    QFETCH(QByteArray, totals);
    QFETCH(int, position);
    QFETCH(QString, estimate);
    QFETCH(QString, name);
    QFETCH(bool, threeDigits);
    PagesHarness h;
    source(h, totals);
    auto* slider = h.find<QAbstractSlider>("VScroll1");
    slider->setValue(0); // lets the name grow to 20 characters
    QTest::keyClicks(h.find<QLineEdit>("Text3"), QStringLiteral("longname"));
    slider->setValue(position);
    QCOMPARE(h.find<QLabel>("Label19")->text(), estimate);
    QCOMPARE(h.find<QLineEdit>("Text3")->text(), name);
    QCOMPARE(h.pages->threeDigitNumbers(), threeDigits);
}

void TestPageZip::zipDirWithoutSourceShowsSourcePage() {
    PagesHarness h;
    h.click("Command10");
    QCOMPARE(h.frame.shownPages, QList<Page>{Page::Source});
    QCOMPARE(h.dialogs.shown().size(), 0);
}

void TestPageZip::zipDirFreeSpace_data() {
    QTest::addColumn<qint64>("free");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<bool>("informed");
    QTest::newRow("plenty") << qint64(512000000) << "Free space  512 M" << true << false;
    QTest::newRow("less than the source") << qint64(20000000) << "Free space  20 M" << true << true;
    QTest::newRow("nothing free") << qint64(0) << "Free space 0 M" << false << false;
}

void TestPageZip::zipDirFreeSpace() {
    QFETCH(qint64, free);
    QFETCH(QString, label);
    QFETCH(bool, kept);
    QFETCH(bool, informed);
    PagesHarness h;
    source(h, "  50,000,000 bytes");
    const QString zips = dir_.path() + QStringLiteral("/Zips");
    QDir().mkpath(zips);
    h.machine.freeAt[zips] = free;
    h.dialogs.answerFolder(zips);
    if (informed)
        h.dialogs.answerMessage(MessageAnswer::Ok, QStringLiteral("Free space on ") + zips +
                                                       QStringLiteral(" is less than source size"));
    h.click("Command10");
    QCOMPARE(h.dialogs.shown()[1].title, QStringLiteral("Directory for zip's"));
    QCOMPARE(h.find<QLabel>("Label14")->text(), label);
    QCOMPARE(h.pages->model().job().ZipDir, kept ? zips : QString());
    if (informed) {
        QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Kavel32"));
        QCOMPARE(h.dialogs.shown().back().icon, MessageIcon::Information);
    }
}

void TestPageZip::archiverOptionsStayOpposite() {
    PagesHarness h;
    h.click("Option8");
    QVERIFY(h.find<QRadioButton>("Option8")->isChecked());
    QVERIFY(!h.find<QRadioButton>("Option7")->isChecked());
    QCOMPARE(h.pages->model().job().Archiver, ArchiverKind::Ace);
    h.click("Option7");
    QVERIFY(h.find<QRadioButton>("Option7")->isChecked());
    QVERIFY(!h.find<QRadioButton>("Option8")->isChecked());
    QCOMPARE(h.pages->model().job().Archiver, ArchiverKind::Rar);
}

void TestPageZip::nameToolTipFollowsText() {
    PagesHarness h;
    QTest::keyClicks(h.find<QLineEdit>("Text3"), QStringLiteral("game"));
    QCOMPARE(h.find<QLineEdit>("Text3")->toolTip(), QStringLiteral("game"));
}

// Every one of the 200 positions can be reached a step at a time; the caption follows.
void TestPageZip::sliderStepsByKeysAndWheel() {
    PagesHarness h;
    auto* slider = h.find<QAbstractSlider>("VScroll1");
    auto* caption = h.find<SSPanel>("SSPanel6");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Up);
    QCOMPARE(slider->value(), 4);
    QCOMPARE(caption->caption(), QStringLiteral("2 M"));
    QTest::keyClick(slider, Qt::Key_PageUp);
    QCOMPARE(slider->value(), 14);
    QTest::keyClick(slider, Qt::Key_Down);
    QCOMPARE(caption->caption(), QStringLiteral("6.5 M"));
    auto wheel = [&](int delta) {
        QWheelEvent turn(QPointF(2, 2), slider->mapToGlobal(QPointF(2, 2)), QPoint(),
                         QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider, &turn);
    };
    wheel(-120);
    QCOMPARE(slider->value(), 12);
    wheel(60); // half a notch moves nothing yet
    QCOMPARE(slider->value(), 12);
    wheel(60);
    QCOMPARE(slider->value(), 13);
    QCOMPARE(h.pages->model().job().SizeUnits, int16_t(13));
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(caption->caption(), QStringLiteral("1 Max file"));
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(slider->value(), 199);
}

// The size typed or stepped beside the slider: every common size one step from the next,
// the floppy size and one archive by name, anything else refused.
void TestPageZip::sizeFieldBesideTheSlider_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("typed"); // "+" / "-": one step up or down
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::newRow("floppy by size") << 10 << "1.44" << 3 << "1.44 M";
    QTest::newRow("whole millions") << 3 << "2" << 4 << "2 M";
    QTest::newRow("half millions, with M") << 3 << "2.5 M" << 5 << "2.5 M";
    QTest::newRow("decimal comma") << 3 << "7,5" << 15 << "7.5 M";
    QTest::newRow("one archive by name") << 3 << "1 Max file" << 0 << "1 Max file";
    QTest::newRow("one archive as 0") << 3 << "0" << 0 << "1 Max file";
    QTest::newRow("the last position") << 3 << "99.5" << 199 << "99.5 M";
    QTest::newRow("past the last") << 3 << "100" << 3 << "1.44 M";
    QTest::newRow("between two steps") << 3 << "0.75" << 3 << "1.44 M";
    QTest::newRow("no size") << 3 << "big" << 3 << "1.44 M";
    QTest::newRow("1 M up to the floppy") << 2 << "+" << 3 << "1.44 M";
    QTest::newRow("0.5 M down to one archive") << 1 << "-" << 0 << "1 Max file";
    QTest::newRow("one archive up to 0.5 M") << 0 << "+" << 1 << "0.5 M";
}

void TestPageZip::sizeFieldBesideTheSlider() {
    QFETCH(int, from);
    QFETCH(QString, typed);
    QFETCH(int, position);
    QFETCH(QString, caption);
    PagesHarness h;
    h.pages->model().setSizeUnits(from);
    auto* field = h.find<QSpinBox>("SizeField");
    QCOMPARE(field->value(), from);
    if (typed == QLatin1String("+") || typed == QLatin1String("-")) {
        field->stepBy(typed == QLatin1String("+") ? 1 : -1);
    } else {
        auto* edit = field->findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
        field->clearFocus(); // what cannot be taken goes back to the size shown
    }
    QCOMPARE(int(h.pages->model().job().SizeUnits), position);
    QCOMPARE(h.find<QAbstractSlider>("VScroll1")->value(), position);
    QCOMPARE(h.find<SSPanel>("SSPanel6")->caption(), caption);
    QCOMPARE(field->text(), caption);
}

QTEST_MAIN(TestPageZip)
#include "test_page_zip.moc"
