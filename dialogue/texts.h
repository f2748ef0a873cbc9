// The dialogue's texts, stored as Shift_JIS bytes (texts.cc is compiled with
// the Shift_JIS execution character set; include this header anywhere).
#pragma once

#include <string_view>

extern const std::string_view kBannerText;          // "定積分（シンプソン公式）"
extern const std::string_view kMenuTitleText;       // "被積分関数を選んでください"
extern const std::string_view kMenuTypedInText;     // "[0] ｘに対するｙの値を…"
extern const std::string_view kMenuSquareText;      // "[1] ｙ＝ｘ^2"
extern const std::string_view kMenuSineText;        // "[2] ｙ＝sin ｘ"
extern const std::string_view kChoicePromptText;    // ends with a space, no line end
extern const std::string_view kIntervalPromptText;  // ends with a space, no line end
extern const std::string_view kFirstDivisionPromptText;  // asks for an even number
extern const std::string_view kDivisionPromptText;       // every later round
extern const std::string_view kResultLabelText;          // "Ｓ＝"
extern const std::string_view kAbscissaLabelText;        // "ｘ＝"
extern const std::string_view kValueLabelText;           // "  ｙ＝"
