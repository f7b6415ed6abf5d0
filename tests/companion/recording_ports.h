#pragma once

// Window and machine ports that record what the logic asked of them.

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
    QStringList statusTexts, nameTexts, countTexts;
    QList<int> progressValues;
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
    QList<int> archiverPercents;
    void setProgress(int percent) override {
        NullWindowPort::setProgress(percent);
        progressValues.append(percent);
        if (onProgress)
            onProgress(percent);
    }
    void processEvents() override {
        ++processed;
        if (onProcessEvents)
            onProcessEvents();
    }
    MessageIcon lastIcon = MessageIcon::Information;
    int processed = 0;
};

class RecordingMachine : public MachinePort {
  public:
    QStringList commands;
    QStringList detached;
    QStringList edited;
    QDate date = QDate(1998, 7, 5);
    std::function<int(const QString&)> onExec = [](const QString&) { return 0; };

    int run(const Command& command) override {
        commands.append(command.text);
        lastCommand = command;
        return onExec(command.text);
    }
    Command lastCommand;
    // What a program asked for its progress reports before it ends.
    QList<int> percentsToReport;
    int runWithProgress(const Command& command,
                        const std::function<void(int)>& onPercent) override {
        for (int percent : percentsToReport)
            onPercent(percent);
        return run(command);
    }
    void startDetached(const QString& commandLine, WindowStyle) override {
        detached.append(commandLine);
    }
    QDate today() const override { return date; }
    void playSound(const QString&, bool) override {}
    void openEditor(const QString& path) override { edited.append(path); }
    std::optional<int64_t> freeBytes(const QString&) const override { return std::nullopt; }
};
