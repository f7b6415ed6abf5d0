#include "../fakes/recording_ports.h"
#include "queued_dialogs.h"
#include "shell/job_pages.h"
#include "shell/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

// The job pages inside the main window: every control fits its page, none is cut short or
// covers another. With KAVEL_PAGE_SHOTS set to a folder, each page is also saved as a
// picture there.
class TestJobPagesLook : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void pageFitsItsPanel_data();
    void pageFitsItsPanel();

  private:
    QTemporaryDir state_;
};

void TestJobPagesLook::initTestCase() {
    qputenv("KAVEL32_STATE_DIR", state_.filePath(QStringLiteral("state")).toUtf8());
    qputenv("KAVEL32_SCRATCH_DIR", state_.filePath(QStringLiteral("scratch")).toUtf8());
    qputenv("KAVEL32_PROGRAM_DIR", QByteArrayLiteral(KAVEL_BIN_DIR));
}

void TestJobPagesLook::pageFitsItsPanel_data() {
    QTest::addColumn<Page>("page");
    QTest::addColumn<double>("fontScale"); // the desktop's font, larger than Qt's own
    QTest::newRow("Source") << Page::Source << 1.0;
    QTest::newRow("Skip") << Page::Skip << 1.0;
    QTest::newRow("Diz") << Page::Diz << 1.0;
    QTest::newRow("Nfo") << Page::Nfo << 1.0;
    QTest::newRow("Zip") << Page::Zip << 1.0;
    QTest::newRow("progress") << Page::Progress << 1.0;
    QTest::newRow("About") << Page::About << 1.0;
    QTest::newRow("About, larger font") << Page::About << 1.5;
    QTest::newRow("Zip, larger font") << Page::Zip << 1.5;
    QTest::newRow("Diz, larger font") << Page::Diz << 1.5;
}

namespace {
// The controls a user reads or uses: buttons, labels, fields, lists.
bool isControl(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLabel*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w);
}
} // namespace

void TestJobPagesLook::pageFitsItsPanel() {
    QFETCH(Page, page);
    QFETCH(double, fontScale);
    const QFont qtFont = QApplication::font();
    QFont desktop = qtFont;
    desktop.setPointSizeF(qtFont.pointSizeF() * fontScale);
    QApplication::setFont(desktop);
    const auto restoreFont = qScopeGuard([&] { QApplication::setFont(qtFont); });
    QueuedDialogs dialogs;
    RecordingMachine machine;
    RunFlags flags;
    MainWindow window(dialogs, machine, flags);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.showPage(page);
    if (page == Page::Progress) {
        WindowPort& port = window.jobPages()->port();
        port.setStatusText(QStringLiteral("Ripping complete\r\rRar's are in /home/user/Kavel001"));
        port.setNameText(QStringLiteral("rel01.zip"));
        port.setCountText(QStringLiteral(" 1 of 3"));
        port.setProgress(40);
    }
    QApplication::processEvents();
    const QString shots = qEnvironmentVariable("KAVEL_PAGE_SHOTS");
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        QVERIFY(window.grab().save(shots + QLatin1Char('/') +
                                   QString::fromLatin1(QTest::currentDataTag()) +
                                   QStringLiteral(".png")));
    }
    QWidget* panel = window.pagePanel(page);
    QVERIFY(panel->isVisible());
    const QRect inside = panel->rect();
    QList<QWidget*> controls;
    for (QWidget* w : panel->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(panel) || !isControl(w) || w->objectName().isEmpty() ||
            w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        controls << w;
        const QRect box(w->mapTo(panel, QPoint(0, 0)), w->size());
        QVERIFY2(inside.contains(box),
                 qPrintable(w->objectName() + QStringLiteral(" leaves its page")));
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w))
            QVERIFY2(w->width() >= w->minimumSizeHint().width() &&
                         w->height() >= w->minimumSizeHint().height(),
                     qPrintable(w->objectName() + QStringLiteral(" is cut short")));
        // A label shows all of its text (a path display may clip a long path, and says it
        // whole in its tool tip).
        const auto* label = qobject_cast<const QLabel*>(w);
        if (label && !label->text().isEmpty() &&
            label->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored)
            QVERIFY2(label->wordWrap() ? label->height() >= label->heightForWidth(label->width())
                                       : label->width() >= label->minimumSizeHint().width(),
                     qPrintable(w->objectName() + QStringLiteral(" cuts its text")));
    }
    QVERIFY(controls.size() >= 4);
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->isAncestorOf(controls[j]) || controls[j]->isAncestorOf(controls[i]))
                continue;
            const QRect a(controls[i]->mapTo(panel, QPoint(0, 0)), controls[i]->size());
            const QRect b(controls[j]->mapTo(panel, QPoint(0, 0)), controls[j]->size());
            QVERIFY2(!a.intersects(b),
                     qPrintable(controls[i]->objectName() + QStringLiteral(" covers ") +
                                controls[j]->objectName()));
        }
}

QTEST_MAIN(TestJobPagesLook)
#include "test_job_pages_look.moc"
