#include "dialogue/texts.h"

// Written here in UTF-8; the compiler stores each literal as Shift_JIS, so the
// lengths below are the byte counts that the program writes. The brackets,
// digits, "^", "-", "?", "sin" and every space are single-byte; the letters
// ｘ ｙ ａ ｂ ｎ Ｓ, "＝" and "（）" are full-width.

const std::string_view kBannerText = "定積分（シンプソン公式）";
const std::string_view kMenuTitleText = "被積分関数を選んでください";
const std::string_view kMenuTypedInText = "[0] ｘに対するｙの値をその都度入力する";
const std::string_view kMenuSquareText = "[1] ｙ＝ｘ^2";
const std::string_view kMenuSineText = "[2] ｙ＝sin ｘ";
const std::string_view kChoicePromptText = "どれにしますか [0-2] ? ";
const std::string_view kIntervalPromptText = "積分区間 [ａ ｂ] ? ";
const std::string_view kFirstDivisionPromptText = "何(偶数)分割しますか (0 を入れると終了) [ｎ] ? ";
const std::string_view kDivisionPromptText = "何分割しますか (0 を入れると終了) [ｎ] ? ";
const std::string_view kResultLabelText = "Ｓ＝";
const std::string_view kAbscissaLabelText = "ｘ＝";
const std::string_view kValueLabelText = "  ｙ＝";
