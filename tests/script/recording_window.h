#pragma once

// A window port that records what the logic showed, and a machine port whose command runs
// are answered by the test.

#include "job/machine_port.h"
#include "job/window_port.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class RecordingWindow : public NullWindowPort {
  public:
    struct Shown {
        Page page;
        QString focus;
    };
    QList<Shown> pages;
    QStringList messages; // "title|text"
    QStringList sizeTexts;
    QList<bool> pageBarStates, browseStates, busyStates;
    int processed = 0;

    void showPage(Page page, const QString& focus = {}) override { pages.append({page, focus}); }
    MessageAnswer message(const QString& text, const QString& title, MessageIcon,
                          MessageButtons) override {
        messages.append(title + QLatin1Char('|') + text);
        return MessageAnswer::Ok;
    }
    void setSourceSizeText(const QString& text) override { sizeTexts.append(text); }
    void setSourceBrowseEnabled(bool enabled) override { browseStates.append(enabled); }
    void setPageBarEnabled(bool enabled) override { pageBarStates.append(enabled); }
    void setBusyPointer(bool busy) override { busyStates.append(busy); }
    void processEvents() override { ++processed; }
};

class ScriptedMachine : public MachinePort {
  public:
    QStringList commands;
    std::function<int(const QString&)> onExec = [](const QString&) { return 0; };

    int run(const Command& command) override {
        commands.append(command.text);
        return onExec(command.text);
    }
    void startDetached(const QString&, WindowStyle) override {}
    QDate today() const override { return QDate(1998, 7, 5); }
    void playSound(const QString&, bool) override {}
    void openEditor(const QString&) override {}
    std::optional<int64_t> freeBytes(const QString&) const override { return std::nullopt; }
};
