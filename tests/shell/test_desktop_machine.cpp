#include "platform/desktop_machine.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// The desktop machine: sounds from the resources, the editor command, free space.
class TestDesktopMachine : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void soundFiles_data();
    void soundFiles();
    void playSoundGoesToTheHookOnlyWhenTheFileExists();
    void editorComesFromTheEnvironment();
    void freeBytesOfAFolderNotYetMade();
};

void TestDesktopMachine::initTestCase() {
    qputenv("KAVEL32_PROGRAM_DIR", QByteArrayLiteral(KAVEL_BIN_DIR));
}

void TestDesktopMachine::soundFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    for (const char* n : {"\\type.wav", "\\whoosh.wav", "\\thunder.wav", "\\rip.wav", "rip.wav"})
        QTest::newRow(n) << n << true;
    QTest::newRow("missing") << "\\bell.wav" << false;
    QTest::newRow("leaves the folder") << "\\..\\help\\index.txt" << false;
    QTest::newRow("parent") << ".." << false;
    QTest::newRow("empty") << "" << false;
}

void TestDesktopMachine::soundFiles() {
    QFETCH(QString, name);
    QFETCH(bool, found);
    const QString file = soundFilePath(name);
    QCOMPARE(!file.isEmpty(), found);
    if (found) {
        QVERIFY(file.endsWith(QStringLiteral("/sounds/") + name.section(QLatin1Char('\\'), -1)));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.read(4) == "RIFF");
    }
}

void TestDesktopMachine::playSoundGoesToTheHookOnlyWhenTheFileExists() {
    QStringList played;
    DesktopMachine::Hooks hooks;
    hooks.playSound = [&](const QString& file, bool wait) {
        played << QFileInfo(file).fileName() + (wait ? QStringLiteral(" wait") : QString());
    };
    DesktopMachine machine(hooks);
    machine.playSound(QStringLiteral("\\thunder.wav"), true);
    machine.playSound(QStringLiteral("\\nothing.wav"), false);
    machine.playSound(QStringLiteral("\\type.wav"), false);
    QCOMPARE(played, (QStringList{"thunder.wav wait", "type.wav"}));
    DesktopMachine silent; // no hook: nothing happens
    silent.playSound(QStringLiteral("\\type.wav"), false);
}

void TestDesktopMachine::editorComesFromTheEnvironment() {
    qputenv("VISUAL", "gedit --new-window");
    QCOMPARE(editorCommand(), (QStringList{"gedit", "--new-window"}));
    qputenv("VISUAL", "");
    qputenv("EDITOR", "mousepad");
    QCOMPARE(editorCommand(), QStringList{"mousepad"});
    qunsetenv("EDITOR");
    qunsetenv("VISUAL");
    QVERIFY(editorCommand().isEmpty());
}

void TestDesktopMachine::freeBytesOfAFolderNotYetMade() {
    QTemporaryDir dir;
    DesktopMachine machine;
    const auto existing = machine.freeBytes(dir.path());
    QVERIFY(existing.has_value());
    QVERIFY(*existing > 0);
    const auto later = machine.freeBytes(dir.filePath(QStringLiteral("not/yet/made")));
    QVERIFY(later.has_value());
    // Same volume: within a few megabytes of each other.
    QVERIFY(qAbs(*later - *existing) < 64 * 1024 * 1024);
    QCOMPARE(machine.today(), QDate::currentDate());
}

QTEST_MAIN(TestDesktopMachine)
#include "test_desktop_machine.moc"
