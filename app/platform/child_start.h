#pragma once

#include <QByteArray>

#include <csignal>
#include <vector>

#include <sys/types.h>

// Where a child's standard stream comes from: a file it opens itself (a name is data, never
// parsed), a descriptor of ours, or, with neither, what this program has.
struct ChildStream {
    QByteArray file;
    int flags = 0; // open flags for file
    int fd = -1;
};

// Everything a child is started with; made before it is started, so that the child itself
// only makes system calls.
struct ChildSetup {
    QByteArray program;                  // a full path; no search, no shell
    std::vector<QByteArray> arguments;   // argv[0] first
    std::vector<QByteArray> environment; // "NAME=value"
    ChildStream in, out, err;
};

// The signal a child is sent when this program ends without stopping it (killed outright):
// the one a stop request sends, so the archiver front-ends stop their archiver and remove
// the volumes it was writing, as they do on a clean stop.
inline constexpr int kParentDeathSignal = SIGTERM;

// Starts the child in a process group of its own. On Linux the child asks the kernel to send
// it kParentDeathSignal when this program dies, even by SIGKILL, so nothing it starts goes on
// writing for a run that is gone. Returns its process id, or -1 with errno set when it could
// not be started (the program, or a file for a stream, could not be opened).
pid_t startChild(const ChildSetup& setup);
