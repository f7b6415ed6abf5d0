#pragma once

#include "job/machine_port.h"

#include <QStringList>

// A machine that runs nothing and records what the window asked of it.
class RecordingMachine : public MachinePort {
  public:
    struct Sound {
        QString name;
        bool wait = false;
    };

    int run(const Command& command) override {
        commands << command.text;
        return 0;
    }
    void startDetached(const QString& commandLine, WindowStyle) override {
        detached << commandLine;
    }
    QDate today() const override { return QDate(2026, 12, 8); }
    void playSound(const QString& name, bool wait) override { sounds.append({name, wait}); }
    void openEditor(const QString& path) override { edited << path; }
    std::optional<int64_t> freeBytes(const QString&) const override { return free; }

    QStringList soundNames() const {
        QStringList names;
        for (const Sound& s : sounds)
            names << s.name;
        return names;
    }

    QStringList commands;
    QStringList detached;
    QStringList edited;
    QList<Sound> sounds;
    std::optional<int64_t> free = int64_t(512) * 1000 * 1000;
};
