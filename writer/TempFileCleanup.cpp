// Removal of temporary files on SIGINT, SIGTERM and SIGHUP.
#include "writer/TempFileCleanup.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace {

// A run has at most the output's temporary file and split-back's normalised copy.
constexpr int kSlots = 4;
constexpr size_t kNameSize = 4096;

// Plain static storage: the handler may only read memory and call async-signal-safe functions.
char gNames[kSlots][kNameSize];
volatile sig_atomic_t gInUse[kSlots];

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void removeAndExit(int signal) {
    for (int i = 0; i < kSlots; i++) {
        if (gInUse[i]) unlink(gNames[i]);
    }
    static const char kMessage[] = "\nInterrupted\n";
    ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    (void)ignored;
    _exit(128 + signal);
}

sigset_t cleanupSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kSignals) sigaddset(&set, signal);
    return set;
}

}  // namespace

void installTempFileCleanup() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = removeAndExit;
    // A second signal while the first is being handled waits; the process ends first.
    action.sa_mask = cleanupSignals();
    for (int signal : kSignals) {
        struct sigaction previous;
        // A signal the caller's shell ignores (nohup) stays ignored.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

CleanupSignalsBlocked::CleanupSignalsBlocked() {
    sigset_t set = cleanupSignals();
    blocked_ = sigprocmask(SIG_BLOCK, &set, &previous_) == 0;
}

CleanupSignalsBlocked::~CleanupSignalsBlocked() {
    if (blocked_) sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

int registerTempFile(const std::string& name) {
    if (name.size() >= kNameSize) return -1;
    for (int i = 0; i < kSlots; i++) {
        if (gInUse[i]) continue;
        std::memcpy(gNames[i], name.c_str(), name.size() + 1);
        gInUse[i] = 1;
        return i;
    }
    return -1;
}

void unregisterTempFile(int slot) {
    if (slot >= 0 && slot < kSlots) gInUse[slot] = 0;
}
