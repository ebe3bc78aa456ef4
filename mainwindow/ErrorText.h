#pragma once
// How the main window writes numbers and run-time errors in its captions and boxes.
#include <cwchar>
#include <string>
#include <string_view>

#include "Text.h"
#include "Utf8.h"
#include "VbError.h"

namespace quorvel {

// A number as Visual Basic's Str writes it: a blank in the sign position of a non-negative one.
inline std::wstring Str(long long n) { return (n >= 0 ? L" " : L"") + std::to_wstring(n); }

// "Error # 53(File not found)".
inline std::wstring ErrorText(const VbError& e) {
  return L"Error #" + Str(e.Number()) + L"(" + win::Widen(e.Description()) + L")";
}

// Text for a box with the characters that would hide or reorder what follows them written as
// U+XXXX, so a file name cannot disguise a line.
inline std::wstring Displayable(std::wstring_view text) {
  std::wstring shown;
  for (const wchar_t c : text) {
    if (!HidesOrReordersText(c)) {
      shown += c;
      continue;
    }
    wchar_t code[8];
    std::swprintf(code, 8, L"U+%04X", static_cast<unsigned>(c));
    shown += code;
  }
  return shown;
}

// The text of the box a failed run shows. A third line says what to look at: the refused
// character of a name or destination, or else the source the run was reading.
inline std::wstring OopsText(const VbError& e, std::wstring_view source = {}) {
  std::wstring text = ErrorText(e) + L" has\r\noccured in 'btnStart' routine.";
  std::wstring detail = !e.Detail().empty() ? win::Widen(e.Detail())
                        : !source.empty()   ? L"the source file is " + std::wstring(source)
                                            : std::wstring();
  if (!detail.empty()) {
    if (detail[0] >= L'a' && detail[0] <= L'z') detail[0] = static_cast<wchar_t>(detail[0] - L'a' + L'A');
    text += L"\r\n\r\n" + Displayable(detail) + L".";
  }
  return text;
}

}  // namespace quorvel
