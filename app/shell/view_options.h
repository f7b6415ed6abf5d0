#pragma once

#include <QString>

#include <optional>

// How the window looks and moves for this user, kept in ViewOptions.ini in the per-user
// state folder beside the settings of a run (SetOptions.ini).
struct ViewOptions {
    // Every marquee stands still at its first frame; nothing: not chosen yet.
    std::optional<bool> reducedMotion;
    // The window stays up while the archiver runs instead of going to the task bar;
    // nothing: not chosen (it goes).
    std::optional<bool> stayVisible;
    bool operator==(const ViewOptions&) const = default;
};

QString viewOptionsPath();
// A missing or unreadable file, or a line not understood, gives nothing for that choice.
ViewOptions readViewOptions();
// Writes them, replacing the file in one step.
bool writeViewOptions(const ViewOptions& options, QString* error = nullptr);
