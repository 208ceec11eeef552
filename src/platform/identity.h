// Which windows of this program are running: the single-instance probe.
//
// A window registers its class and caption for as long as it exists. Off Windows it does so by
// holding a lock on a file named after them, and the probe asks whether anyone holds that lock; a
// killed process loses its lock with it, so it never blocks a later start.
#pragma once

#include <memory>
#include <string>

class WindowIdentity {
public:
  WindowIdentity(const std::string& className, const std::string& caption);
  ~WindowIdentity();
  WindowIdentity(const WindowIdentity&) = delete;
  WindowIdentity& operator=(const WindowIdentity&) = delete;

private:
  // How the platform keeps the registration; each platform defines it.
  struct Lock;
  std::unique_ptr<Lock> lock_;
};

// For a process whose windows live inside another program's window: they are not top-level
// windows, so the probe must never find them. Call before the first window is created.
void RegisterNoWindowIdentities();

// True when a window of this class and caption exists in any process of this user.
bool FindWindow(const std::string& className, const std::string& caption);
