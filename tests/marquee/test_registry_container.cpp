// Registration through zqregsvr into a private registry file, and the container creating the
// control by ProgID and class id through it; the registry file's own reading and writing.
#include "component_registry.h"
#include "control_host.h"
#include "version_block.h"

#include <QDir>
#include <QLibrary>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

using namespace zqmarq;

namespace {
const QString kLibrary = QStringLiteral(ZQMARQ_LIBRARY_FILE);
const QString kRegsvr = QStringLiteral(ZQREGSVR_FILE);
const QString kHost = QStringLiteral(ZQMHOST_FILE);
} // namespace

class TestRegistryContainer : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_registry;

    // Runs zqregsvr with the test's registry; returns its exit code and output.
    int regsvr(const QStringList& args, QString* output = nullptr) {
        return run(kRegsvr, args, output);
    }

    int run(const QString& program, const QStringList& args, QString* output = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kRegistryEnvVar), m_registry);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!p.waitForFinished(30000))
            return -1;
        if (output)
            *output = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode();
    }

  private slots:
    void init() {
        m_registry =
            m_dir.filePath(QStringLiteral("components-%1.reg").arg(QTest::currentTestFunction()));
        QFile::remove(m_registry);
        qputenv(kRegistryEnvVar, m_registry.toLocal8Bit());
    }

    void createsByProgIdAfterRegistrationAndFailsAfterRemoval() {
        QString error;
        QVERIFY(!ControlHost::create(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"), nullptr, &error));
        QVERIFY2(error.contains(QStringLiteral("not registered")), qPrintable(error));

        QString output;
        QCOMPARE(regsvr({kLibrary}, &output), 0);
        QVERIFY2(output.contains(QStringLiteral("succeeded")), qPrintable(output));

        QWidget parent;
        auto host =
            ControlHost::create(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"), &parent, &error);
        QVERIFY2(host, qPrintable(error));
        QVERIFY(host->widget());
        QCOMPARE(host->widget()->parentWidget(), &parent);
        QCOMPARE(host->text(), QStringLiteral("Nimbrel Marquee"));
        QVERIFY(host->setText(QStringLiteral("Kavel32 v3.10  by QXV   <IMG 1>")));
        QCOMPARE(host->text(), QStringLiteral("Kavel32 v3.10  by QXV   <IMG 1>"));
        QCOMPARE(host->typeInfo().properties.size(), std::size_t(28));
        auto byClsid = ControlHost::create(QStringLiteral("{3F7A12C3-58B4-11CF-9D21-0060B7C4E5A1}"),
                                           nullptr, &error);
        QVERIFY2(byClsid, qPrintable(error));
        host.reset();
        byClsid.reset();

        QCOMPARE(regsvr({QStringLiteral("-u"), kLibrary}), 0);
        QVERIFY(!ControlHost::create(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"), nullptr, &error));
        QCOMPARE(error, QStringLiteral("The class ZqMarquee.ZqMarqueeCtrl.1 is not registered"));
    }

    // The main window holds the hosted control as a QWidget only: reduced motion is set by
    // property name through the container, and the banner then stands still on its first frame.
    // Text the stored form cannot hold is refused by the container, not altered.
    void hostedControlThroughTheContainer() {
        QCOMPARE(regsvr({QStringLiteral("-s"), kLibrary}), 0);
        QWidget parent;
        parent.resize(200, 40);
        QString error;
        auto host =
            ControlHost::create(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"), &parent, &error);
        QVERIFY2(host, qPrintable(error));
        QWidget* banner = host->widget();
        banner->setGeometry(0, 0, 200, 40);
        QVERIFY(host->setText(QStringLiteral("WWWW MMMM WWWW")));
        QVERIFY(host->setProperty(QStringLiteral("TickTime"), std::int16_t(10)));
        const QImage first = banner->grab().toImage(); // not shown yet: no step was made
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QTRY_VERIFY(banner->grab().toImage() != first); // it moves

        host->saveStream(); // the container stored the design: nothing is left to save
        QVERIFY(!host->isDirty());
        QVERIFY(banner->setProperty("reducedMotion", true));
        QCOMPARE(banner->property("reducedMotion").toBool(), true);
        QCOMPARE(banner->grab().toImage(), first); // back on its first frame
        QTest::qWait(100);
        QCOMPARE(banner->grab().toImage(), first); // and standing there
        QVERIFY(!host->isDirty());

        // Any text is shown; saving the design refuses what its stored form cannot hold.
        const QString greeting = QStringLiteral("\u041f\u0440\u0438\u0432\u0435\u0442");
        QVERIFY(host->setText(greeting, &error));
        QCOMPARE(host->text(), greeting);
        QVERIFY(host->saveStream(&error).isEmpty());
        QVERIFY2(error.contains(QStringLiteral("character 1 of Text")), qPrintable(error));
        QVERIFY(host->isDirty()); // still to be saved
        QTemporaryDir dir;
        QVERIFY(!host->saveStreamFile(dir.filePath(QStringLiteral("design.zqm")), &error));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("design.zqm"))));
    }

    void freshProcessCreatesByProgId() {
        const QStringList args = {QStringLiteral("--load"),
                                  QStringLiteral(KAVEL_SOURCE_DIR "/resources/marquee/banner.zqm"),
                                  QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"),
                                  QStringLiteral("Frame"),
                                  QStringLiteral("TickTime"),
                                  QStringLiteral("Picture1"),
                                  QStringLiteral("Picture5")};
        QString output;
        QCOMPARE(run(kHost, args, &output), 1);
        QVERIFY2(output.contains(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1 is not registered")),
                 qPrintable(output));
        QCOMPARE(regsvr({QStringLiteral("-s"), kLibrary}), 0);
        QCOMPARE(run(kHost, args, &output), 0);
        QVERIFY2(output.contains(QStringLiteral("Frame=1\nTickTime=50\nPicture1=picture of 1099 "
                                                "bytes\nPicture5=(nothing)\n")),
                 qPrintable(output));
        QCOMPARE(regsvr({QStringLiteral("-u"), QStringLiteral("-s"), kLibrary}), 0);
        QCOMPARE(run(kHost, args, &output), 1);
        QVERIFY2(output.contains(QStringLiteral("not registered")), qPrintable(output));
    }

    // The registry holds UTF-8: a library under a Cyrillic path registers, and a container in
    // another process loads it from there. A path that cannot be stored is refused unwritten.
    void libraryPathsAreStoredAsTheyAre() {
        const QString folder = m_dir.filePath(QStringLiteral("библиотека"));
        QVERIFY(QDir().mkpath(folder));
        const QString copy = folder + QStringLiteral("/libzqmarq.so");
        QVERIFY(QFile::copy(kLibrary, copy));
        QString output;
        QCOMPARE(regsvr({copy}, &output), 0);
        QVERIFY2(output.contains(QStringLiteral("succeeded")), qPrintable(output));
        QFile file(m_registry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("@=" + copy.toUtf8() + "\r\n"));
        QCOMPARE(run(kHost, {QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"), QStringLiteral("Frame")},
                     &output),
                 0);
        QVERIFY2(output.contains(QStringLiteral("Frame=2")), qPrintable(output));

        QFile::remove(m_registry);
        const QString broken = m_dir.filePath(QStringLiteral("two\nlines"));
        QVERIFY(QDir().mkpath(broken));
        QVERIFY(QFile::copy(kLibrary, broken + QStringLiteral("/libzqmarq.so")));
        QCOMPARE(regsvr({broken + QStringLiteral("/libzqmarq.so")}, &output), 1);
        QVERIFY2(output.contains(QStringLiteral("line break")), qPrintable(output));
        QVERIFY(!QFile::exists(m_registry));
        // The library refuses it too, whoever calls it.
        QLibrary lib(broken + QStringLiteral("/libzqmarq.so"));
        QVERIFY2(lib.load(), qPrintable(lib.errorString()));
        const auto registerServer =
            reinterpret_cast<DllRegisterServerFn>(lib.resolve("DllRegisterServer"));
        QVERIFY(registerServer);
        QCOMPARE(registerServer(), kSelfRegETypeLib);
        QVERIFY(!QFile::exists(m_registry));
        QVERIFY(unstorablePathReason(QStringLiteral("/tmp/a\uFFFDb.so")));
    }

    // Files written before UTF-8 hold Latin-1 and still read.
    void latin1RegistryFilesStillRead() {
        QFile f(m_registry);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("ZQMARQ component registry 1\r\n[Lib]\r\n@=/opt/caf\xe9/lib.so\r\n"
                "Utf=/opt/caf\xc3\xa9/lib.so\r\n");
        f.close();
        ComponentRegistry reg;
        QString error;
        QVERIFY2(reg.load(m_registry, &error), qPrintable(error));
        QCOMPARE(reg.value(QStringLiteral("Lib")), QStringLiteral("/opt/caf\u00e9/lib.so"));
        QCOMPARE(reg.value(QStringLiteral("Lib"), QStringLiteral("Utf")),
                 QStringLiteral("/opt/caf\u00e9/lib.so"));
    }

    // zqregsvr --info prints the version block, which also gave the library its file name.
    void versionBlockIsPrinted() {
        QString output;
        QCOMPARE(regsvr({QStringLiteral("--info"), kLibrary}, &output), 0);
        QCOMPARE(output, QStringLiteral("FileVersion: 2, 0, 0, 1\n"
                                        "ProductVersion: 2, 0, 0, 1\n"
                                        "FileDescription: Nimbrel Marquee Control\n"
                                        "ProductName: Nimbrel Marquee Control\n"
                                        "InternalName: Marquee Control\n"
                                        "OriginalFilename: ZQMARQ.OCX\n"
                                        "OLESelfRegister\n"));
        QVERIFY2(kLibrary.endsWith(QStringLiteral(".so.2.0.0.1")), qPrintable(kLibrary));
        QCOMPARE(regsvr({QStringLiteral("--info"), kRegsvr}, &output), 1);
        QVERIFY2(output.contains(QStringLiteral("no version block")), qPrintable(output));
        QVERIFY(!QFile::exists(m_registry));
    }

    void versionBlockReaderRefusesDamage_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("entries"); // -1: refused
        const QByteArray magic("ZQMARQ VERSIONINFO\0", 19);
        const QByteArray good = magic + QByteArray("1\0A\0x\0M\0\0\0", 11);
        QTest::newRow("good") << QByteArray("junk") + good << 2;
        QTest::newRow("magic text, then a block") << magic + QByteArray("2\0", 2) + good << 2;
        QTest::newRow("no end") << magic + QByteArray("1\0A\0x\0", 6) << -1;
        QTest::newRow("cut inside a value") << magic + QByteArray("1\0A\0xy", 6) << -1;
        QTest::newRow("no entries") << magic + QByteArray("1\0\0", 3) << -1;
        QTest::newRow("overlong text")
            << magic + "1" + QByteArray(1, '\0') + QByteArray(300, 'a') + QByteArray(3, '\0') << -1;
        QTest::newRow("no magic") << QByteArray("ZQMARQ VERSION") << -1;
    }
    void versionBlockReaderRefusesDamage() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, entries);
        QString error;
        const auto read = readVersionBlock(bytes, &error);
        QCOMPARE(read ? int(read->size()) : -1, entries);
        QCOMPARE(error.isEmpty(), entries >= 0);
    }

    void registrationWritesTheEntries() {
        QCOMPARE(regsvr({QStringLiteral("-s"), kLibrary}), 0);
        ComponentRegistry reg;
        QString error;
        QVERIFY2(reg.load(m_registry, &error), qPrintable(error));
        const QString control = QStringLiteral("CLSID\\{3F7A12C3-58B4-11CF-9D21-0060B7C4E5A1}");
        QCOMPARE(reg.value(control), QStringLiteral("Nimbrel Marquee Control"));
        QCOMPARE(reg.value(control + QStringLiteral("\\InprocServer32")),
                 QFileInfo(kLibrary).absoluteFilePath());
        QCOMPARE(reg.value(control + QStringLiteral("\\InprocServer32"),
                           QStringLiteral("ThreadingModel")),
                 QStringLiteral("Apartment"));
        QCOMPARE(reg.value(control + QStringLiteral("\\ProgID")),
                 QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"));
        QCOMPARE(reg.value(control + QStringLiteral("\\MiscStatus\\1")), QString::number(0x20191));
        QVERIFY(reg.hasKey(control + QStringLiteral("\\Insertable")));
        QVERIFY(reg.hasKey(
            control +
            QStringLiteral("\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}")));
        QVERIFY(reg.hasKey(
            control +
            QStringLiteral("\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}")));
        QCOMPARE(reg.value(
                     QStringLiteral("Component Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}"),
                     QStringLiteral("409")),
                 QStringLiteral("Controls safely initializable from persistent data"));
        QCOMPARE(reg.value(QStringLiteral("TypeLib\\{3F7A12C0-58B4-11CF-9D21-0060B7C4E5A1}\\1.2")),
                 QStringLiteral("Nimbrel Marquee Control"));
        QCOMPARE(reg.value(QStringLiteral("TK.TkPropPage.1\\CLSID")),
                 QStringLiteral("{3F7A12C4-58B4-11CF-9D21-0060B7C4E5A1}"));
        QCOMPARE(reg.value(QStringLiteral("tk.AboutControl\\CLSID")),
                 QStringLiteral("{6D2B8E41-A4F2-11CF-9D21-0060B7C4E5A1}"));
        QCOMPARE(reg.value(QStringLiteral("CLSID\\{6D2B8E41-A4F2-11CF-9D21-0060B7C4E5A1}")),
                 QStringLiteral("Nimbrel Info Property Page"));

        // Unregistration leaves entries of other components alone.
        reg.setValue(QStringLiteral("CLSID\\{00000000-1111-2222-3333-444444444444}"), QString(),
                     QStringLiteral("Other"));
        QVERIFY(reg.save(m_registry, &error));
        QCOMPARE(regsvr({QStringLiteral("-u"), QStringLiteral("-s"), kLibrary}), 0);
        QVERIFY(reg.load(m_registry, &error));
        QVERIFY(!reg.hasKey(control));
        QVERIFY(!reg.hasKey(control + QStringLiteral("\\InprocServer32")));
        QVERIFY(!reg.hasKey(QStringLiteral("TypeLib\\{3F7A12C0-58B4-11CF-9D21-0060B7C4E5A1}")));
        QVERIFY(!reg.hasKey(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1")));
        QCOMPARE(reg.value(QStringLiteral("CLSID\\{00000000-1111-2222-3333-444444444444}")),
                 QStringLiteral("Other"));
    }

    void regsvrRefusesWhatIsNotAComponent() {
        QString output;
        QCOMPARE(regsvr({}, &output), 2);
        QVERIFY(output.contains(QStringLiteral("usage")));
        QCOMPARE(regsvr({m_dir.filePath(QStringLiteral("missing.so"))}, &output), 1);
        QVERIFY2(output.contains(QStringLiteral("cannot load")), qPrintable(output));
        QFile text(m_dir.filePath(QStringLiteral("text.so")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a library");
        text.close();
        QCOMPARE(regsvr({text.fileName()}, &output), 1);
        QVERIFY(!QFile::exists(m_registry));
    }

    void containerReportsAMissingLibrary() {
        ComponentRegistry reg;
        const QString clsid = QStringLiteral("{3F7A12C3-58B4-11CF-9D21-0060B7C4E5A1}");
        const QString gone = m_dir.filePath(QStringLiteral("gone/libzqmarq.so"));
        reg.setValue(QStringLiteral("CLSID\\") + clsid + QStringLiteral("\\InprocServer32"),
                     QString(), gone);
        reg.setValue(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1\\CLSID"), QString(), clsid);
        QString error;
        QVERIFY(reg.save(m_registry, &error));
        QVERIFY(!ControlHost::create(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"), nullptr, &error));
        QVERIFY2(error.startsWith(QStringLiteral("Cannot load the control library ") + gone),
                 qPrintable(error));

        // The same stale entry in the per-user registry does not hide a registry beside the
        // program that names a library still there.
        qunsetenv(kRegistryEnvVar);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
        QVERIFY(QDir().mkpath(QFileInfo(ComponentRegistry::writablePath()).path()));
        QVERIFY(reg.save(ComponentRegistry::writablePath(), &error));
        const QString besideProgram =
            QCoreApplication::applicationDirPath() + QLatin1Char('/') + kProgramRegistryName;
        ComponentRegistry valid;
        valid.setValue(QStringLiteral("CLSID\\") + clsid + QStringLiteral("\\InprocServer32"),
                       QString(), kLibrary);
        valid.setValue(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1\\CLSID"), QString(), clsid);
        QVERIFY(!QFile::exists(besideProgram));
        QVERIFY(valid.save(besideProgram, &error));
        const auto resolved = resolveClass(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"), &error);
        QFile::remove(besideProgram);
        qunsetenv("XDG_CONFIG_HOME");
        qputenv(kRegistryEnvVar, m_registry.toLocal8Bit());
        QVERIFY2(resolved, qPrintable(error));
        QCOMPARE(resolved->library, kLibrary);
    }

    // The registry an installed tree ships names the library by a path relative to itself:
    // copied with the library to any folder, it creates the control from that folder.
    void shippedRegistryFindsTheLibraryBesideIt() {
        const QString folder = m_dir.filePath(QStringLiteral("prefix/lib/zqmarq"));
        QVERIFY(QDir().mkpath(folder));
        m_registry = folder + QStringLiteral("/components.reg");
        QVERIFY(QFile::copy(QStringLiteral(ZQMARQ_SHIPPED_REGISTRY), m_registry));
        qputenv(kRegistryEnvVar, m_registry.toLocal8Bit());

        ComponentRegistry reg;
        QString error;
        QVERIFY2(reg.load(m_registry, &error), qPrintable(error));
        const auto named = reg.value(
            QStringLiteral("CLSID\\{3F7A12C3-58B4-11CF-9D21-0060B7C4E5A1}\\InprocServer32"));
        QVERIFY(named);
        QVERIFY2(QDir::isRelativePath(*named), qPrintable(*named));
        QVERIFY(QFile::copy(kLibrary, folder + QLatin1Char('/') + *named));

        const auto resolved = resolveClass(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"), &error);
        QVERIFY2(resolved, qPrintable(error));
        QCOMPARE(resolved->library, folder + QLatin1Char('/') + *named);
        QWidget parent;
        auto host =
            ControlHost::create(QStringLiteral("ZqMarquee.ZqMarqueeCtrl.1"), &parent, &error);
        QVERIFY2(host, qPrintable(error));
        QCOMPARE(host->text(), QStringLiteral("Nimbrel Marquee"));
    }

    void libraryCountsItsObjects() {
        QLibrary lib(kLibrary);
        QVERIFY2(lib.load(), qPrintable(lib.errorString()));
        const auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(lib.resolve("DllCanUnloadNow"));
        const auto getClass =
            reinterpret_cast<DllGetClassObjectFn>(lib.resolve("DllGetClassObject"));
        QVERIFY(canUnload && getClass);
        QCOMPARE(canUnload(), kSOk);
        void* out = nullptr;
        const Guid unknownClass = *Guid::parse("{00000000-1111-2222-3333-444444444444}");
        QCOMPARE(getClass(&unknownClass, &ids::kIClassFactory, &out), kClassENotAvailable);
        QCOMPARE(out, nullptr);
        QCOMPARE(getClass(&ids::kControl, &ids::kIClassFactory, nullptr), kEPointer);
        QCOMPARE(getClass(&ids::kControl, &ids::kIClassFactory, &out), kSOk);
        auto* factory = static_cast<IZqClassFactory*>(out);
        QCOMPARE(canUnload(), kSFalse);
        void* page = nullptr;
        QCOMPARE(factory->createInstance(ids::kIZqPropertyPage, &page), kENoInterface);
        QCOMPARE(page, nullptr);
        void* control = nullptr;
        QCOMPARE(factory->createInstance(ids::kIZqControl, &control), kSOk);
        factory->release();
        QCOMPARE(canUnload(), kSFalse); // the control still lives
        static_cast<IZqControl*>(control)->release();
        QCOMPARE(canUnload(), kSOk);
        QCOMPARE(getClass(&ids::kGeneralPage, &ids::kIClassFactory, &out), kSOk);
        factory = static_cast<IZqClassFactory*>(out);
        QCOMPARE(factory->createInstance(ids::kIZqPropertyPage, &page), kSOk);
        factory->release();
        auto* pageObject = static_cast<IZqPropertyPage*>(page);
        QCOMPARE(pageObject->caption(), std::string("General"));
        QCOMPARE(canUnload(), kSFalse);
        pageObject->release();
        QCOMPARE(canUnload(), kSOk);
    }

    void registryFileRefusesMalformedText_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("no header") << QByteArray("[CLSID]\r\n@=x\r\n") << "line 1";
        QTest::newRow("value before key")
            << QByteArray("ZQMARQ component registry 1\r\n@=x\r\n") << "line 2";
        QTest::newRow("open key") << QByteArray("ZQMARQ component registry 1\r[CLSID\r")
                                  << "line 2";
        QTest::newRow("no equals")
            << QByteArray("ZQMARQ component registry 1\r\n[A]\r\nvalue\r\n") << "line 3";
    }
    void registryFileRefusesMalformedText() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFile f(m_registry);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        ComponentRegistry reg;
        QString error;
        QVERIFY(!reg.load(m_registry, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(reg.keys().isEmpty());
        QVERIFY(!resolveClass(QStringLiteral("Anything.1"), &error));
        QVERIFY2(error.contains(QStringLiteral("malformed")), qPrintable(error));
    }

    void registryFileRoundTripsWithCrLf() {
        ComponentRegistry reg;
        reg.setValue(QStringLiteral("A\\B"), QString(), QStringLiteral("default"));
        reg.setValue(QStringLiteral("A\\B"), QStringLiteral("Name"), QStringLiteral("x=y"));
        reg.setValue(QStringLiteral("A\\B\\C"), QString(), QStringLiteral("line\r\nbreak"));
        reg.setValue(QStringLiteral("A\\BC"), QString(), QStringLiteral("sibling"));
        QString error;
        QVERIFY(reg.save(m_registry, &error));
        QFile f(m_registry);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.contains("[A\\B]\r\n@=default\r\nName=x=y\r\n"));
        QVERIFY(!bytes.contains("\n\n"));
        ComponentRegistry back;
        QVERIFY(back.load(m_registry, &error));
        QCOMPARE(back.value(QStringLiteral("a\\b"), QStringLiteral("NAME")), QStringLiteral("x=y"));
        QCOMPARE(back.value(QStringLiteral("A\\B\\C")), QStringLiteral("line  break"));
        back.removeKey(QStringLiteral("A\\B"));
        QVERIFY(!back.hasKey(QStringLiteral("A\\B\\C")));
        QCOMPARE(back.value(QStringLiteral("A\\BC")), QStringLiteral("sibling"));
    }

    void lookupUsesTheOverrideAlone() {
        QCOMPARE(ComponentRegistry::lookupPaths(), QStringList{m_registry});
        QCOMPARE(ComponentRegistry::writablePath(), m_registry);
        qunsetenv(kRegistryEnvVar);
        const QStringList paths = ComponentRegistry::lookupPaths();
        QCOMPARE(paths.size(), 3);
        QVERIFY(paths[1].endsWith(QLatin1String("/zqmarq-components.reg")));
        QVERIFY2(paths[2].endsWith(QLatin1String("/zqmarq/components.reg")), qPrintable(paths[2]));
        qputenv(kRegistryEnvVar, m_registry.toLocal8Bit());
    }
};

QTEST_MAIN(TestRegistryContainer)
#include "test_registry_container.moc"
