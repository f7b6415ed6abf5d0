#pragma once

// Stop requests by SIGTERM, SIGINT and SIGHUP. The first one only marks the request: the
// run notices it at its next step (the outside program it waits for is told to stop, a zip
// being written is abandoned) and ends cleanly, keeping every complete zip and every volume
// not yet zipped. A second signal of the same kind ends the program at once.
namespace StopSignals {

void install();
// The signal that asked to stop, 0 when none did.
int requested();
// Exit status for a stop by that signal: 128 + its number.
int exitStatus(int signal);
// "SIGTERM", "SIGINT", "SIGHUP".
const char* name(int signal);
// Forgets a request (tests, and a window that goes on after an aborted run).
void clear();

} // namespace StopSignals
