#include "tests/support/transcript.h"

#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/hex_pattern.h"

std::string MenuText() {
  return "定積分（シンプソン公式）\r\n"
         "\r\n"
         "被積分関数を選んでください\r\n"
         "[0] ｘに対するｙの値をその都度入力する\r\n"
         "[1] ｙ＝ｘ^2\r\n"
         "[2] ｙ＝sin ｘ\r\n"
         "どれにしますか [0-2] ? ";
}

std::string IntervalPrompt() { return "積分区間 [ａ ｂ] ? "; }
std::string FirstDivisionPrompt() { return "何(偶数)分割しますか (0 を入れると終了) [ｎ] ? "; }
std::string DivisionPrompt() { return "何分割しますか (0 を入れると終了) [ｎ] ? "; }

std::string OpeningText() { return MenuText() + IntervalPrompt() + "\r\n" + FirstDivisionPrompt(); }

std::string RoundText(const std::string& result) {
  return "Ｓ＝" + result + "\r\n\r\n" + DivisionPrompt();
}

std::string ValuePromptText(const std::string& abscissa) { return "ｘ＝" + abscissa + "  ｙ＝"; }

std::string ReportPattern(const std::string& className, const std::string& message,
                          const std::string& module) {
  return className + "がモジュール " + module + " の " + kEightHexDigits + " で発生しました。\n" +
         message + "\r\n";
}

ProcessOptions SimpsonOptions(const std::string& input, InputFrom from, OutputTo to) {
  ProcessOptions options;
  options.Executable = SimpsonPath();
  options.Input = input;
  options.InputKind = from;
  options.OutputKind = to;
  return options;
}

ProcessResult RunSimpson(const std::string& input, InputFrom from, OutputTo to) {
  return RunProcess(SimpsonOptions(input, from, to));
}

long AllocationsOfRun(const std::string& input) {
  if (std::string(SIMPSON_ALLOCATION_LOG_LIBRARY).empty()) return -1;
  char path[] = "/tmp/simpson-allocations-XXXXXX";
  close(mkstemp(path));
  ProcessOptions options = SimpsonOptions(input);
  options.Environment = {std::string("LD_PRELOAD=") + SIMPSON_ALLOCATION_LOG_LIBRARY,
                         std::string("SIMPSON_ALLOCATION_LOG=") + path};
  RunProcess(options);
  struct stat status {};
  stat(path, &status);
  unlink(path);
  return static_cast<long>(status.st_size);
}
