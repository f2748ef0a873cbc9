// Starting a built program with chosen standard descriptors and collecting
// what it writes, for the tests that run the real executable.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Where the child's standard input comes from.
enum class InputFrom {
  Pipe,       // the input bytes through a pipe, closed after the last byte
  File,       // the input bytes in a regular file
  Closed,     // descriptor 0 not open
  Directory,  // descriptor 0 open on a directory: every read fails
};

// Where the child's standard output goes.
enum class OutputTo {
  Pipe,          // collected through a pipe
  File,          // collected through a regular file, read after the exit
  PacketSocket,  // a SOCK_SEQPACKET pair: each write(2) is kept as one packet
  DevFull,       // /dev/full: every write fails with ENOSPC
  Closed,        // descriptor 1 not open
  ClosedPipe,    // a pipe whose reader has gone before the first write
  SlowSocket,    // a non-blocking stream socket with a small buffer, read 16
                 // bytes at a time: writes come back partial or would block
};

struct ProcessOptions {
  std::string Executable;
  std::string Input;
  InputFrom InputKind = InputFrom::Pipe;
  OutputTo OutputKind = OutputTo::Pipe;
  std::vector<std::string> Environment;  // extra NAME=value entries
  // With OutputTo::Pipe: the reader goes away once it has this many bytes
  // (0: it reads to the end).
  std::size_t CloseOutputAfter = 0;
};

struct ProcessResult {
  std::string Output;               // every byte written, in order
  std::vector<std::string> Writes;  // with PacketSocket: one entry per write(2)
  int ExitCode = -1;                // -1 when ended by a signal
  int Signal = 0;                   // the signal that ended it, or 0
};

// Runs the program to its end (killing it after 60 s) and returns its output
// and exit status.
ProcessResult RunProcess(const ProcessOptions& options);

// The path of simpson as built beside the tests.
std::string SimpsonPath();

// A program on a pseudo-terminal: the test types, the program answers.
class TerminalSession {
 public:
  // With ignoreHangup the program starts with SIGHUP ignored, as under nohup.
  explicit TerminalSession(const std::string& executable, bool ignoreHangup = false);
  ~TerminalSession();
  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  // Sends bytes as if typed (the terminal is in raw mode: no echo, no
  // translation, so the test sees exactly what the program writes).
  void Type(const std::string& bytes);
  // Reads until the collected output ends with expected or 10 s pass;
  // returns everything collected since the last call.
  std::string ReadUntil(const std::string& expected);
  // True when the program writes nothing more within the given time.
  bool StaysQuiet(int milliseconds);
  // Closes the terminal's other side, as when the terminal window goes away.
  void HangUp();
  // Waits for the program's end and returns its exit code (-1 on a signal);
  // what it wrote meanwhile is appended to the output collected.
  int Wait(std::string* rest = nullptr);

 private:
  int master_ = -1;
  int pid_ = -1;
};
