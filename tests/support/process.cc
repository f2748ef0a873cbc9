#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

constexpr int kRunLimitMilliseconds = 60000;
constexpr int kTerminalWaitMilliseconds = 10000;

[[noreturn]] void Fail(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

std::string TemporaryFile(const std::string& contents) {
  char path[] = "/tmp/simpson-test-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) Fail("mkstemp");
  for (std::size_t done = 0; done < contents.size();) {
    ssize_t n = write(fd, contents.data() + done, contents.size() - done);
    if (n < 0) Fail("write");
    done += static_cast<std::size_t>(n);
  }
  close(fd);
  return path;
}

std::string ReadFile(const std::string& path) {
  std::string contents;
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) Fail("open");
  char chunk[4096];
  for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) contents.append(chunk, n);
  close(fd);
  return contents;
}

// Exit code, or -1 with the signal, from a waitpid status.
void DecodeStatus(int status, int* exitCode, int* signal) {
  if (WIFEXITED(status)) {
    *exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    *exitCode = -1;
    *signal = WTERMSIG(status);
  }
}

void ExecChild(const std::string& executable, const std::vector<std::string>& environment,
               bool ignoreHangup = false) {
  for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
  signal(SIGPIPE, SIG_DFL);
  signal(SIGHUP, ignoreHangup ? SIG_IGN : SIG_DFL);
  execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

}  // namespace

std::string SimpsonPath() { return SIMPSON_EXECUTABLE; }

ProcessResult RunProcess(const ProcessOptions& options) {
  signal(SIGPIPE, SIG_IGN);
  ProcessResult result;
  std::string inputPath, outputPath;
  int inputPipe[2] = {-1, -1}, outputPair[2] = {-1, -1};

  if (options.InputKind == InputFrom::Pipe && pipe(inputPipe) != 0) Fail("pipe");
  if (options.InputKind == InputFrom::File) inputPath = TemporaryFile(options.Input);
  switch (options.OutputKind) {
    case OutputTo::Pipe:
    case OutputTo::ClosedPipe:
      if (pipe(outputPair) != 0) Fail("pipe");
      break;
    case OutputTo::PacketSocket:
      if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, outputPair) != 0) Fail("socketpair");
      break;
    case OutputTo::SlowSocket: {
      if (socketpair(AF_UNIX, SOCK_STREAM, 0, outputPair) != 0) Fail("socketpair");
      const int smallest = 1;  // the kernel raises it to its minimum
      setsockopt(outputPair[1], SOL_SOCKET, SO_SNDBUF, &smallest, sizeof smallest);
      setsockopt(outputPair[0], SOL_SOCKET, SO_RCVBUF, &smallest, sizeof smallest);
      fcntl(outputPair[1], F_SETFL, O_NONBLOCK);
      break;
    }
    case OutputTo::File:
      outputPath = TemporaryFile("");
      break;
    default:
      break;
  }
  if (options.OutputKind == OutputTo::ClosedPipe) {
    close(outputPair[0]);
    outputPair[0] = -1;
  }

  pid_t pid = fork();
  if (pid < 0) Fail("fork");
  if (pid == 0) {
    int in = -1, out = -1;
    switch (options.InputKind) {
      case InputFrom::Pipe:
        in = inputPipe[0];
        break;
      case InputFrom::File:
        in = open(inputPath.c_str(), O_RDONLY);
        break;
      case InputFrom::Directory:
        in = open("/", O_RDONLY | O_DIRECTORY);
        break;
      case InputFrom::Closed:
        break;
    }
    switch (options.OutputKind) {
      case OutputTo::Pipe:
      case OutputTo::ClosedPipe:
      case OutputTo::PacketSocket:
      case OutputTo::SlowSocket:
        out = outputPair[1];
        break;
      case OutputTo::File:
        out = open(outputPath.c_str(), O_WRONLY | O_TRUNC);
        break;
      case OutputTo::DevFull:
        out = open("/dev/full", O_WRONLY);
        break;
      case OutputTo::Closed:
        break;
    }
    if (in >= 0)
      dup2(in, 0);
    else
      close(0);
    if (out >= 0)
      dup2(out, 1);
    else
      close(1);
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    ExecChild(options.Executable, options.Environment);
  }

  if (inputPipe[0] >= 0) close(inputPipe[0]);
  if (outputPair[1] >= 0) close(outputPair[1]);
  int inputFd = inputPipe[1];
  int outputFd = outputPair[0];
  if (inputFd >= 0) fcntl(inputFd, F_SETFL, O_NONBLOCK);
  std::size_t inputDone = 0;
  const bool slowReader = options.OutputKind == OutputTo::SlowSocket;
  if (inputFd >= 0 && options.Input.empty()) {
    close(inputFd);
    inputFd = -1;
  }

  // Feed the input and collect the output together, so that neither side
  // can block the other, until the output closes.
  auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kRunLimitMilliseconds);
  while (inputFd >= 0 || outputFd >= 0) {
    pollfd fds[2];
    int count = 0;
    if (inputFd >= 0) fds[count++] = {inputFd, POLLOUT, 0};
    if (outputFd >= 0) fds[count++] = {outputFd, POLLIN, 0};
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    if (left <= 0 || poll(fds, count, left) <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    for (int i = 0; i < count; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == inputFd) {
        ssize_t n =
            write(inputFd, options.Input.data() + inputDone, options.Input.size() - inputDone);
        if (n > 0) inputDone += static_cast<std::size_t>(n);
        if (n < 0 || inputDone == options.Input.size()) {
          close(inputFd);
          inputFd = -1;
        }
      } else {
        char chunk[65536];
        if (slowReader) usleep(200);
        ssize_t n = read(outputFd, chunk, slowReader ? 16 : sizeof chunk);
        if (n <= 0) {
          close(outputFd);
          outputFd = -1;
        } else {
          result.Output.append(chunk, n);
          if (options.OutputKind == OutputTo::PacketSocket) result.Writes.emplace_back(chunk, n);
          if (options.CloseOutputAfter != 0 && result.Output.size() >= options.CloseOutputAfter) {
            close(outputFd);
            outputFd = -1;
          }
        }
      }
    }
  }
  if (inputFd >= 0) close(inputFd);
  if (outputFd >= 0) close(outputFd);

  int status = 0;
  while (true) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) kill(pid, SIGKILL);
    usleep(1000);
  }
  DecodeStatus(status, &result.ExitCode, &result.Signal);
  if (!inputPath.empty()) unlink(inputPath.c_str());
  if (!outputPath.empty()) {
    result.Output = ReadFile(outputPath);
    unlink(outputPath.c_str());
  }
  return result;
}

TerminalSession::TerminalSession(const std::string& executable, bool ignoreHangup) {
  termios raw{};
  cfmakeraw(&raw);
  pid_t pid = forkpty(&master_, nullptr, &raw, nullptr);
  if (pid < 0) Fail("forkpty");
  if (pid == 0) ExecChild(executable, {}, ignoreHangup);
  pid_ = pid;
}

TerminalSession::~TerminalSession() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
}

void TerminalSession::Type(const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0) Fail("write to terminal");
    done += static_cast<std::size_t>(n);
  }
}

std::string TerminalSession::ReadUntil(const std::string& expected) {
  std::string collected;
  auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kTerminalWaitMilliseconds);
  while (collected.size() < expected.size() ||
         collected.compare(collected.size() - expected.size(), expected.size(), expected) != 0) {
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    pollfd fd = {master_, POLLIN, 0};
    if (left <= 0 || poll(&fd, 1, left) <= 0) break;
    char chunk[4096];
    ssize_t n = read(master_, chunk, sizeof chunk);
    if (n <= 0) break;
    collected.append(chunk, n);
  }
  return collected;
}

bool TerminalSession::StaysQuiet(int milliseconds) {
  pollfd fd = {master_, POLLIN, 0};
  return poll(&fd, 1, milliseconds) == 0;
}

void TerminalSession::HangUp() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

int TerminalSession::Wait(std::string* rest) {
  // Drain the terminal until the program closes its side, then reap it.
  while (master_ >= 0) {
    pollfd fd = {master_, POLLIN, 0};
    if (poll(&fd, 1, kTerminalWaitMilliseconds) <= 0) break;
    char chunk[4096];
    ssize_t n = read(master_, chunk, sizeof chunk);
    if (n <= 0) break;
    if (rest) rest->append(chunk, n);
  }
  // A program still waiting for input by now would wait for ever: it is
  // ended, and the test sees the signal instead of hanging.
  int status = 0;
  auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kTerminalWaitMilliseconds);
  while (waitpid(pid_, &status, WNOHANG) != pid_) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    usleep(1000);
  }
  pid_ = -1;
  int exitCode = -1, signal = 0;
  DecodeStatus(status, &exitCode, &signal);
  return exitCode;
}
