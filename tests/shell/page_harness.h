#pragma once

// A bare window with the six page panels, JobPages built inside them, queued dialogs, a
// window port that forwards to the pages, and a machine whose free space and size program
// the test decides.

#include "job/machine_port.h"
#include "job/window_port.h"
#include "platform/process_runner.h"
#include "queued_dialogs.h"
#include "shell/job_model.h"
#include "shell/job_pages.h"
#include "shell/shell_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <memory>

class PageMachine : public MachinePort {
  public:
    int run(const Command& cmd) override {
        commands << cmd.text;
        if (onExec)
            onExec(cmd.text);
        if (realTools)
            return runCommand(cmd);
        if (!sizeListing.isNull() && !cmd.stdoutFile.isEmpty()) {
            QFile out(cmd.stdoutFile);
            if (out.open(QIODevice::WriteOnly))
                out.write(sizeListing);
        }
        return 0;
    }
    QDate today() const override { return QDate(2026, 12, 8); }
    void playSound(const QString& name, bool) override { sounds << name; }
    void openEditor(const QString& path) override { edited << path; }
    // The free space of the longest location the path lies in; a default for the rest.
    std::optional<int64_t> freeBytes(const QString& path) const override {
        QString best;
        for (auto it = free.cbegin(); it != free.cend(); ++it)
            if (path.startsWith(it.key()) && it.key().size() > best.size())
                best = it.key();
        if (best.isEmpty())
            return defaultFree;
        return free.value(best);
    }

    QStringList commands, edited, sounds;
    QMap<QString, std::optional<int64_t>> free;
    std::optional<int64_t> defaultFree = int64_t(50) * 1000 * 1000 * 1000;
    QByteArray sizeListing; // written as the size program's listing when not null
    bool realTools = false;
    std::function<void(const QString&)> onExec;
};

class PagesWindowPort : public WindowPort {
  public:
    explicit PagesWindowPort(Dialogs& dialogs) : dialogs_(dialogs) {}
    JobPages* pages = nullptr;
    QList<Page> shownPages;
    QString focus;
    bool pageBarEnabled = true;
    bool busy = false;
    int minimised = 0;
    int restored = 0;
    int closed = 0;
    std::function<void(int)> onProgress;

    void showPage(Page page, const QString& focusControl) override {
        shownPages << page;
        focus = focusControl;
    }
    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override {
        return dialogs_.message(nullptr, text, title, icon, buttons);
    }
    void setStatusText(const QString& text) override { pages->setStatusText(text); }
    void setNameText(const QString& text) override { pages->setNameText(text); }
    void setCountText(const QString& text) override { pages->setCountText(text); }
    void setProgress(int percent) override {
        pages->setProgress(percent);
        if (onProgress)
            onProgress(percent);
    }
    int progress() const override { return pages->progress(); }
    QString sourceDisplay() const override { return pages->sourceDisplay(); }
    void setSourceDisplay(const QString& text) override { pages->setSourceDisplay(text); }
    void setPageBarEnabled(bool enabled) override { pageBarEnabled = enabled; }
    void setBusyPointer(bool on) override { busy = on; }
    void processEvents() override { QCoreApplication::processEvents(); }
    void minimise() override { ++minimised; }
    void restore() override { ++restored; }
    void closeWindow() override { ++closed; }
    void setSourceSizeText(const QString& text) override { pages->setSourceSizeText(text); }
    void setSourceBrowseEnabled(bool enabled) override { pages->setSourceBrowseEnabled(enabled); }

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
        : ownDialogs(custom ? custom : new QueuedDialogs), dialogs(*ownDialogs),
          port(dialogs), services{dialogs, port, machine, flags} {
        harnessFolders();
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
        pages = std::make_unique<JobPages>(panels, services);
        port.pages = pages.get();
    }
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
    PageMachine machine;
    RunFlags flags;
    PagesWindowPort port;
    ShellServices services;
    std::unique_ptr<JobPages> pages;
};

// A listing as the size program writes it for a source with sub-directories.
inline QByteArray listingWithTotal(const QByteArray& totalsLine) {
    return QByteArray("Kavel32 size listing\r\n  Total of all files found\r\n") + totalsLine +
           "\r\n";
}
