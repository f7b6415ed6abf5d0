#include "platform/stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace {
volatile std::sig_atomic_t g_requested = 0;

void onStopSignal(int signal) {
    if (g_requested == signal) {
        // Asked twice: the user means it.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_requested = signal;
}
} // namespace

namespace StopSignals {

void install() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking wait returns so the request is seen at once.
    action.sa_flags = 0;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

int requested() {
    return g_requested;
}

int exitStatus(int signal) {
    return 128 + signal;
}

const char* name(int signal) {
    switch (signal) {
    case SIGTERM:
        return "SIGTERM";
    case SIGINT:
        return "SIGINT";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

void clear() {
    g_requested = 0;
}

} // namespace StopSignals
