#pragma once

#include "engine/job_settings.h"

#include <QString>

#include <cstdio>

class MachinePort;

struct UnattendedOptions {
    QString scriptPath;
    RunFlags flags;               // BatchRun or DateStampRun
    QString workLocation;         // where the output folder goes; empty: the home folder
    bool runJob = true;           // false: load and check only, and say the verdict
    std::FILE* progress = nullptr; // a terminal for the one-line progress, or nullptr
};

struct UnattendedResult {
    int exitCode = 0;
    QString message; // one line: the failed check or step, or where the zips are
};

// The start without a window: loads the script, checks the job, measures the source and
// runs it. Nothing is ever asked; the result names what went wrong.
UnattendedResult runUnattended(const UnattendedOptions& options, MachinePort& machine);
