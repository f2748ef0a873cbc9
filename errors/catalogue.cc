#include "errors/catalogue.h"

#include <iterator>

#include "errors/message_format.h"

namespace {

struct InOutEntry {
  std::int32_t Code;
  std::string_view Text;
};

constexpr InOutEntry kInOutTexts[] = {
    {2, "ファイルが見つかりません"},
    {3, "不正なファイル名です"},
    {4, "オープンしたファイルが多すぎます"},
    {5, "ファイルへのアクセスが拒否されました"},
    {100, "ファイルの末尾以降を読み込みました"},
    {101, "ディスクがいっぱいです"},
    {106, "入力値が数値ではありません"},
};

// Indexed by RunErrorKind.
constexpr RunErrorEntry kRunErrors[] = {
    {215, "整数のオーバーフロー"},
    {207, "不正な浮動小数点数演算命令"},
    {200, "0 による浮動小数点数除算"},
    {205, "浮動小数点数のオーバーフロー"},
    {206, "浮動小数点数のアンダーフロー"},
    {203, "メモリが足りません"},
    {204, "無効なポインタ操作"},
    {200, "ゼロによる除算"},
    {201, "範囲チェックエラー"},
    {216, ""},
    {218, "特権命令違反"},
    {202, "スタック オーバーフロー"},
    {217, "CTRL-C"},
    {255, "外部例外 %x"},
};
static_assert(std::size(kRunErrors) == static_cast<std::size_t>(RunErrorKind::External) + 1);

std::string_view InOutErrorText(std::int32_t code) {
  for (const InOutEntry& entry : kInOutTexts) {
    if (entry.Code == code) return entry.Text;
  }
  return "I/O エラー (%d)";
}

}  // namespace

const RunErrorEntry& RunErrorOf(RunErrorKind kind) {
  return kRunErrors[static_cast<std::size_t>(kind)];
}

std::size_t InOutErrorMessage(std::int32_t code, char (&message)[kMessageCapacity]) {
  const FormatArgument arguments[] = {FormatArgument::OfInteger(code)};
  return FormatMessage(InOutErrorText(code), arguments, message, kMessageCapacity);
}

std::string_view ReportFormatText() { return "%sがモジュール %s の %p で発生しました。\n%s%s"; }

std::string_view AccessViolationInModuleText() {
  return "モジュール '%1:s' のアドレス %0:p でアドレス %3:p に対する%2:s違反がおきました。";
}

std::string_view AccessViolationText() {
  return "アドレス %0:p でアドレス %2:p に対する%1:s違反がおきました。";
}

std::string_view AccessWordText(bool write) { return write ? "書き込み" : "読み込み"; }
