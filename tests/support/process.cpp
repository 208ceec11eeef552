#include "support/process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/temp_root.h"

namespace {

[[noreturn]] void ExecChild(const std::vector<std::string>& argv,
                            const std::map<std::string, std::string>& extra) {
  for (const auto& [name, value] : extra) {
    if (value.empty())
      ::unsetenv(name.c_str());
    else
      ::setenv(name.c_str(), value.c_str(), 1);
  }
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& extra, bool quiet) {
  pid_ = ::fork();
  if (pid_ == 0) {
    ::setpgid(0, 0);
    if (quiet) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
    }
    ExecChild(argv, extra);
  }
  if (pid_ < 0)
    throw std::runtime_error("fork failed");
}

ChildProcess::~ChildProcess() {
  Kill();
}

std::optional<int> ChildProcess::WaitExit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!status_) {
    int status = 0;
    const int result = ::waitpid(pid_, &status, WNOHANG);
    if (result == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (result < 0 || std::chrono::steady_clock::now() >= deadline)
      return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status_;
}

bool ChildProcess::Running() {
  return !WaitExit(std::chrono::milliseconds(0));
}

void ChildProcess::Kill() {
  if (pid_ <= 0 || status_)
    return;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  WaitExit(std::chrono::seconds(5));
}

int RunCommand(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& extra, std::chrono::milliseconds timeout) {
  ChildProcess child(argv, extra, true);
  return child.WaitExit(timeout).value_or(-1);
}

CapturedOutput RunCaptured(const std::filesystem::path& scratch, std::vector<std::string> argv,
                           const std::map<std::string, std::string>& extra,
                           std::chrono::milliseconds timeout) {
  const std::filesystem::path file = scratch / "output.txt";
  argv.insert(argv.begin(), {"sh", "-c", "\"$@\" >\"$0\" 2>&1", file.string()});
  CapturedOutput output;
  output.code = RunCommand(argv, extra, timeout);
  output.text = ReadWholeFile(file);
  return output;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds step) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(step);
  }
  return true;
}

XvfbServer::XvfbServer(int width, int height, int depth) {
  int fds[2];
  if (::pipe(fds) != 0)
    throw std::runtime_error("pipe failed");
  const std::string screen =
      std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  server_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                               "-nolisten", "tcp", "-noreset"});
  ::close(fds[1]);
  std::string number;
  pollfd readable{fds[0], POLLIN, 0};
  while (::poll(&readable, 1, 10000) > 0) {
    char c = 0;
    if (::read(fds[0], &c, 1) != 1 || c == '\n')
      break;
    number += c;
  }
  ::close(fds[0]);
  if (number.empty())
    throw std::runtime_error("Xvfb did not start");
  display_ = ":" + number;
}

XvfbServer::~XvfbServer() = default;

QImage XvfbServer::Screenshot() const {
  char name[] = "/tmp/quillmor-shot-XXXXXX.png";
  const int fd = ::mkstemps(name, 4);
  if (fd < 0)
    return QImage();
  ::close(fd);
  QImage image;
  if (RunCommand({"import", "-display", display_, "-window", "root", name}) == 0)
    image.load(name, "PNG");
  ::unlink(name);
  return image.convertToFormat(QImage::Format_RGB32);
}

bool XvfbServer::XdoTool(const std::vector<std::string>& arguments) const {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunCommand(argv, {{"DISPLAY", display_}}) == 0;
}

bool XvfbServer::HasVisibleWindow(const std::string& name) const {
  return RunCommand({"xdotool", "search", "--onlyvisible", "--name", "^" + name + "$"},
                    {{"DISPLAY", display_}}) == 0;
}

std::filesystem::path QuillmorBinary() {
  const char* binary = std::getenv("QUILLMOR_BINARY");
  return binary && *binary ? binary : QUILLMOR_BINARY_PATH;
}
