#pragma once

// The ports every logic and page test drives: a window that records what it was shown, and a
// machine that records what it was asked to run.

#include "job/machine_port.h"
#include "job/window_port.h"
#include "platform/process_runner.h"

#include <QDate>
#include <QFile>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

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

// The machine of every logic and page test. It records each command it is asked to run as
// the program and argument list that would run, and answers as the test decides: onRun's
// status, with standardOutput written to the command's output file. With runForReal it runs
// the commands through the process runner instead (the real size program, archiver
// front-ends and comment tool), archiverStandIn replacing the program of a command that
// reports progress.
class RecordingMachine : public MachinePort {
  public:
    struct Sound {
        QString name;
        bool wait = false;
    };

    QList<Command> runs; // every command asked for, in order
    QStringList edited;
    QList<Sound> sounds;
    QDate date = QDate(1998, 7, 5);
    // The free space of a path: that of the longest location in freeAt it lies in, else free.
    std::optional<int64_t> free = int64_t(512) * 1000 * 1000;
    QMap<QString, std::optional<int64_t>> freeAt;
    // Called for every command before it is answered; its status is the command's unless the
    // command runs for real.
    std::function<int(const Command&)> onRun = [](const Command&) { return 0; };
    QByteArray standardOutput; // written to a command's output file when not null
    // What a program reports of its progress before it ends (not for real).
    QList<int> percentsToReport;
    bool runForReal = false;
    QString archiverStandIn;
    std::function<void()> whileRunning; // called as a window's wait calls it, with progress
    bool noEditor = false;              // openEditor starts nothing
    QString editorFailure;

    int run(const Command& command) override {
        runs.append(command);
        const int status = onRun ? onRun(command) : 0;
        if (runForReal)
            return runCommand(command);
        if (!standardOutput.isNull() && !command.stdoutFile.isEmpty()) {
            QFile out(command.stdoutFile);
            if (out.open(QIODevice::WriteOnly))
                out.write(standardOutput);
        }
        return status;
    }
    int runWithProgress(const Command& command,
                        const std::function<void(int)>& onPercent) override {
        if (!runForReal) {
            for (int percent : percentsToReport)
                onPercent(percent);
            return run(command);
        }
        runs.append(command);
        if (onRun)
            onRun(command);
        Command used = command;
        if (!archiverStandIn.isEmpty())
            used.program = archiverStandIn;
        return runCommand(used, whileRunning, onPercent);
    }
    QDate today() const override { return date; }
    void playSound(const QString& name, bool wait) override { sounds.append({name, wait}); }
    void openEditor(const QString& path) override {
        edited.append(path);
        if (noEditor)
            editorFailure = QStringLiteral("No editor or viewer could be started for ") + path;
    }
    QString takeEditorFailure() override { return std::exchange(editorFailure, QString()); }
    std::optional<int64_t> freeBytes(const QString& path) const override {
        QString best;
        for (auto it = freeAt.cbegin(); it != freeAt.cend(); ++it)
            if (path.startsWith(it.key()) && it.key().size() > best.size())
                best = it.key();
        return best.isEmpty() ? free : freeAt.value(best);
    }

    // Program and arguments of every command run, one list each.
    QList<QStringList> argumentLists() const {
        QList<QStringList> lists;
        for (const Command& command : runs)
            lists << (QStringList{command.program} + command.arguments);
        return lists;
    }
    QStringList soundNames() const {
        QStringList names;
        for (const Sound& s : sounds)
            names << s.name;
        return names;
    }
};
