#include "dialogue/dialogue.h"

#include <cstdint>
#include <string_view>

#include "console/input_stream.h"
#include "console/number_reader.h"
#include "console/output_stream.h"
#include "dialogue/integration.h"
#include "dialogue/real_arithmetic.h"
#include "dialogue/texts.h"
#include "errors/run.h"

namespace {

// S is written with no padding and five decimals.
constexpr std::int32_t kResultWidth = 0;
constexpr std::int32_t kResultDecimals = 5;

void WriteWholeLine(std::string_view text) {
  WriteText(StandardOutput, text);
  WriteLineEnd(StandardOutput);
  FlushOutput(StandardOutput);
  CheckIO();
}

void WriteBlankLine() {
  WriteLineEnd(StandardOutput);
  FlushOutput(StandardOutput);
  CheckIO();
}

// A prompt stays open on its line for the answer.
void WritePrompt(std::string_view text) {
  WriteText(StandardOutput, text);
  FlushOutput(StandardOutput);
  CheckIO();
}

std::int32_t ReadDivisions() {
  const std::int32_t divisions = ReadInteger(StandardInput);
  SkipLine(StandardInput);
  CheckIO();
  return divisions;
}

void WriteResult(double result) {
  WriteText(StandardOutput, kResultLabelText);
  WriteReal(StandardOutput, result, kResultWidth, kResultDecimals);
  WriteLineEnd(StandardOutput);
  FlushOutput(StandardOutput);
  CheckIO();
}

}  // namespace

void RunDialogue() {
  WriteWholeLine(kBannerText);
  WriteBlankLine();
  WriteWholeLine(kMenuTitleText);
  WriteWholeLine(kMenuTypedInText);
  WriteWholeLine(kMenuSquareText);
  WriteWholeLine(kMenuSineText);

  WritePrompt(kChoicePromptText);
  IntegrandKind = ReadInteger(StandardInput);
  SkipLine(StandardInput);
  CheckIO();

  // Each limit is stored as soon as it is read, so a malformed lower limit
  // still lets the upper one be read before the check reports it, while one
  // beyond the double range stops the run before the next is read.
  WritePrompt(kIntervalPromptText);
  LowerLimit = StoreReading(ReadReal(StandardInput));
  UpperLimit = StoreReading(ReadReal(StandardInput));
  SkipLine(StandardInput);
  CheckIO();

  WriteBlankLine();
  WritePrompt(kFirstDivisionPromptText);
  std::int32_t divisions = ReadDivisions();
  while (divisions >= 1) {
    WriteResult(Simpson(divisions, LowerLimit, UpperLimit));
    WriteBlankLine();
    WritePrompt(kDivisionPromptText);
    divisions = ReadDivisions();
  }
  EndRun(0);
}
