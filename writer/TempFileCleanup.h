// Temporary files that must not outlive the run: their names are kept where a signal handler can
// reach them, so SIGINT, SIGTERM and SIGHUP remove them before the process ends.
#pragma once

#include <csignal>
#include <string>

// Installs the handler: it removes every registered file and ends the process with status
// 128 + the signal's number. Called once, at the start of the program.
void installTempFileCleanup();

// Blocks the three signals while it lives, so that a file and its registration come and go
// together.
class CleanupSignalsBlocked {
  public:
    CleanupSignalsBlocked();
    ~CleanupSignalsBlocked();
    CleanupSignalsBlocked(const CleanupSignalsBlocked&) = delete;
    CleanupSignalsBlocked& operator=(const CleanupSignalsBlocked&) = delete;

  private:
    sigset_t previous_;
    bool blocked_ = false;
};

// Keeps name for removal on a signal; returns its slot, or -1 when the name cannot be kept (too
// long, or every slot taken).
int registerTempFile(const std::string& name);
void unregisterTempFile(int slot);
