#pragma once

// A bare window with the six page panels, JobPages built inside them, queued dialogs, a
// window port that forwards to the pages, and a machine whose free space and size program
// the test decides (a day in 2026, 50 GB free wherever the test says nothing).

#include "../fakes/recording_ports.h"
#include "job/window_port.h"
#include "queued_dialogs.h"
#include "shell/job_model.h"
#include "shell/job_pages.h"
#include "shell/session_window.h"
#include "shell/shell_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <memory>

// The main window's frame as a test sees it: the pages it was asked for, the page bar, the
// pointer, the window's state; message boxes go to the queued dialogs.
class RecordingFrame : public WindowFrame {
  public:
    explicit RecordingFrame(Dialogs& dialogs) : dialogs_(dialogs) {}
    QList<Page> shownPages;
    QString focus;
    bool pageBarEnabled = true;
    bool busy = false;
    int minimised = 0;
    int restored = 0;
    int closed = 0;
    std::function<void()> onProcessEvents;

    void showPage(Page page, const QString& focusControl) override {
        shownPages << page;
        focus = focusControl;
    }
    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override {
        return dialogs_.message(nullptr, text, title, icon, buttons);
    }
    void setPageBarEnabled(bool enabled) override { pageBarEnabled = enabled; }
    void setBusyPointer(bool on) override { busy = on; }
    void processEvents() override {
        QCoreApplication::processEvents();
        if (onProcessEvents)
            onProcessEvents();
    }
    void minimise() override { ++minimised; }
    void restore() override { ++restored; }
    void closeWindow() override { ++closed; }

  private:
    Dialogs& dialogs_;
};

// Scratch, state and program folders of the test's own, set before anything uses them.
inline QTemporaryDir& harnessFolders() {
    static QTemporaryDir dir;
    static const bool set = [] {
        qputenv("KAVEL32_STATE_DIR", QFile::encodeName(dir.path() + QStringLiteral("/state")));
        qputenv("KAVEL32_SCRATCH_DIR", QFile::encodeName(dir.path() + QStringLiteral("/scratch")));
        return true;
    }();
    (void)set;
    return dir;
}

struct PagesHarness {
    // custom: dialogs of the test's own kind, owned by the harness.
    explicit PagesHarness(QueuedDialogs* custom = nullptr)
        : ownDialogs(custom ? custom : new QueuedDialogs), dialogs(*ownDialogs), frame(dialogs) {
        harnessFolders();
        machine.date = QDate(2026, 12, 8);
        machine.free = int64_t(50) * 1000 * 1000 * 1000;
        auto* column = new QVBoxLayout(&window);
        const char* names[] = {"Picture1", "Picture2", "Picture4",
                               "Picture5", "Picture6", "Picture7"};
        QWidget** panelSlots[] = {&panels.source, &panels.skip, &panels.diz,
                                  &panels.nfo,    &panels.zip,  &panels.progress};
        for (int i = 0; i < 6; ++i) {
            *panelSlots[i] = new QWidget(&window);
            (*panelSlots[i])->setObjectName(QLatin1String(names[i]));
            column->addWidget(*panelSlots[i]);
        }
        pages = std::make_unique<JobPages>(panels, frame, dialogs, machine, flags);
    }
    // The window port the session talks to.
    SessionWindow& port() { return pages->port(); }
    ~PagesHarness() { pages.reset(); }

    template <typename T> T* find(const char* name) const {
        T* found = window.findChild<T*>(QLatin1String(name));
        if (!found)
            qWarning("no control %s", name);
        return found;
    }
    // A click as the user makes it: nothing happens on a disabled control.
    void click(const char* name) { find<QAbstractButton>(name)->click(); }

    QWidget window;
    PagePanels panels;
    std::unique_ptr<QueuedDialogs> ownDialogs;
    QueuedDialogs& dialogs;
    RecordingMachine machine;
    RunFlags flags;
    RecordingFrame frame;
    std::unique_ptr<JobPages> pages;
};

// A listing as the size program writes it for a source with sub-directories.
inline QByteArray listingWithTotal(const QByteArray& totalsLine) {
    return QByteArray("Kavel32 size listing\r\n  Total of all files found\r\n") + totalsLine +
           "\r\n";
}
