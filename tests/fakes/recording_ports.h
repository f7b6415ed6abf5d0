#pragma once

// The ports every logic test drives: a window that records what it was shown, and a machine
// that runs nothing and records what it was asked, answering as the test decides.

#include "job/machine_port.h"
#include "job/window_port.h"

#include <QDate>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Permission bits of the file itself, without the "current user" bits (which say only
// what the user running the test may do: everything, as root).
inline QFile::Permissions ownerBits(const QString& path) {
    return QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

class RecordingWindow : public NullWindowPort {
  public:
    struct PageSwitch {
        Page page;
        QString focus;
    };
    QList<PageSwitch> pages;
    QStringList messages; // "title|text"
    MessageIcon lastIcon = MessageIcon::Information;
    QStringList statusTexts, nameTexts, countTexts, sizeTexts;
    QList<int> progressValues, archiverPercents;
    QList<bool> pageBarStates, browseStates, busyStates;
    struct RunBytes {
        RunPhase phase;
        qint64 done, total;
    };
    QList<RunBytes> runBytes;
    int processed = 0;
    std::function<void()> onProcessEvents;
    std::function<void(int)> onProgress;

    void showPage(Page page, const QString& focus = {}) override { pages.append({page, focus}); }
    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons) override {
        messages.append(title + QLatin1Char('|') + text);
        lastIcon = icon;
        return MessageAnswer::Ok;
    }
    void setStatusText(const QString& t) override { statusTexts.append(t); }
    void setNameText(const QString& t) override { nameTexts.append(t); }
    void setCountText(const QString& t) override { countTexts.append(t); }
    void setArchiverProgress(int percent) override { archiverPercents.append(percent); }
    void setProgress(int percent) override {
        NullWindowPort::setProgress(percent);
        progressValues.append(percent);
        if (onProgress)
            onProgress(percent);
    }
    void setSourceSizeText(const QString& text) override { sizeTexts.append(text); }
    void setSourceBrowseEnabled(bool enabled) override { browseStates.append(enabled); }
    void setPageBarEnabled(bool enabled) override { pageBarStates.append(enabled); }
    void setRunBytes(RunPhase phase, qint64 done, qint64 total) override {
        runBytes.append({phase, done, total});
    }
    void setBusyPointer(bool busy) override { busyStates.append(busy); }
    void processEvents() override {
        ++processed;
        if (onProcessEvents)
            onProcessEvents();
    }
};

class RecordingMachine : public MachinePort {
  public:
    struct Sound {
        QString name;
        bool wait = false;
    };

    QStringList commands; // the text form of every command run
    Command lastCommand;
    QStringList edited;
    QList<Sound> sounds;
    QDate date = QDate(1998, 7, 5);
    std::optional<int64_t> free = int64_t(512) * 1000 * 1000;
    // The exit status of a command, by its text form.
    std::function<int(const QString&)> onExec = [](const QString&) { return 0; };
    // What a program reports of its progress before it ends.
    QList<int> percentsToReport;

    int run(const Command& command) override {
        commands.append(command.text);
        lastCommand = command;
        return onExec(command.text);
    }
    int runWithProgress(const Command& command,
                        const std::function<void(int)>& onPercent) override {
        for (int percent : percentsToReport)
            onPercent(percent);
        return run(command);
    }
    QDate today() const override { return date; }
    void playSound(const QString& name, bool wait) override { sounds.append({name, wait}); }
    void openEditor(const QString& path) override { edited.append(path); }
    std::optional<int64_t> freeBytes(const QString&) const override { return free; }

    QStringList soundNames() const {
        QStringList names;
        for (const Sound& s : sounds)
            names << s.name;
        return names;
    }
};
