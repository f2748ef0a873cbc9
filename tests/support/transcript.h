// The dialogue's output as the tests expect it from the built simpson (as
// Shift_JIS bytes), and running it.
#pragma once

#include <cstddef>
#include <string>

#include "tests/support/process.h"

// Everything up to and including the choice prompt.
std::string MenuText();
std::string IntervalPrompt();
std::string FirstDivisionPrompt();
std::string DivisionPrompt();
// Everything up to and including the first division prompt.
std::string OpeningText();
// One round: the result line, the blank line and the next division prompt.
std::string RoundText(const std::string& result);
// The prompt for a typed-in value at the abscissa as written ("ｘ＝ 0.50  ｙ＝").
std::string ValuePromptText(const std::string& abscissa);

// The two report lines of an object of className failing in module, as a
// hex pattern (tests/support/hex_pattern.h) that leaves the printed address
// open.
std::string ReportPattern(const std::string& className, const std::string& message,
                          const std::string& module = "simpson");

// Options that run the built simpson on input.
ProcessOptions SimpsonOptions(const std::string& input, InputFrom from = InputFrom::Pipe,
                              OutputTo to = OutputTo::Pipe);
ProcessResult RunSimpson(const std::string& input, InputFrom from = InputFrom::Pipe,
                         OutputTo to = OutputTo::Pipe);

// The number of heap allocations of one run of simpson on input, counted by
// the preloaded allocation log; -1 where the log cannot be preloaded (the
// sanitizers bring their own allocator).
long AllocationsOfRun(const std::string& input);
