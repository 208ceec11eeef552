// Child processes for end-to-end tests: the real binary, Xvfb, xdotool and screenshots.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QImage>

class ChildProcess {
public:
  // Starts argv[0] with the current environment plus extra (an empty value unsets the name).
  ChildProcess(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& extra = {}, bool quiet = false);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  int Pid() const { return pid_; }
  // The exit code once the process has ended within the timeout; nullopt while it runs.
  std::optional<int> WaitExit(std::chrono::milliseconds timeout);
  bool Running();
  void Kill();

private:
  int pid_ = -1;
  std::optional<int> status_;
};

// Runs a command to its end, its output discarded, and returns its exit code (-1 if it could
// not run or timed out).
int RunCommand(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& extra = {},
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

struct CapturedOutput {
  int code = -1;
  std::string text; // standard output and error together
};

// Runs a command to its end like RunCommand, keeping its output in a file in scratch.
CapturedOutput RunCaptured(const std::filesystem::path& scratch, std::vector<std::string> argv,
                           const std::map<std::string, std::string>& extra = {},
                           std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Polls condition until it holds or the timeout passes.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds step = std::chrono::milliseconds(20));

class XvfbServer {
public:
  XvfbServer(int width, int height, int depth = 24);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  const std::string& Display() const { return display_; }
  // The whole screen as an image; a null image when it could not be taken.
  QImage Screenshot() const;
  // Runs xdotool with the given arguments on this server; true on success.
  bool XdoTool(const std::vector<std::string>& arguments) const;
  // Whether a window with this exact name is mapped.
  bool HasVisibleWindow(const std::string& name) const;

private:
  std::unique_ptr<ChildProcess> server_;
  std::string display_;
};

// The path of the program under test.
std::filesystem::path QuillmorBinary();
