#pragma once

#include <QString>

#include <optional>

// What a run does after its last zip: an SFV file, PAR2 recovery files, a check of the set.
// Per-user settings of their own (scripts describe a job, Kavel32.ini holds the comment),
// which a start's command line overrides.
struct FinishOptions {
    bool verify = false;
    bool sfv = false;
    int par2Percent = 0; // 0: no recovery files
    bool operator==(const FinishOptions&) const = default;
};

inline constexpr int kMaxPar2Percent = 100;

// The settings file in the per-user state folder (the folder is not made by asking).
QString finishOptionsPath();

// Reads the settings; a missing file gives the defaults. A line that cannot be read is
// skipped with *warning saying so; a file that is not a small regular file is ignored whole.
FinishOptions readFinishOptions(QString* warning = nullptr);
// Writes them, replacing the file in one step.
bool writeFinishOptions(const FinishOptions& options, QString* error = nullptr);

// The options a command line gave, each overriding the settings.
struct FinishOverrides {
    std::optional<bool> verify;
    std::optional<bool> sfv;
    std::optional<int> par2Percent;
    FinishOptions appliedTo(FinishOptions options) const;
};

// Set once from the command line, like the run flags.
void setCommandLineFinish(const FinishOverrides& overrides);
// The settings with the command line's overrides: what a run does now.
FinishOptions currentFinishOptions(QString* warning = nullptr);
