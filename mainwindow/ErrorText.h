#pragma once
// How the main window writes numbers and run-time errors in its captions and boxes.
#include <string>

#include "Text.h"
#include "VbError.h"

namespace quorvel {

// A number as Visual Basic's Str writes it: a blank in the sign position of a non-negative one.
inline std::wstring Str(long long n) { return (n >= 0 ? L" " : L"") + std::to_wstring(n); }

// "Error # 53(File not found)".
inline std::wstring ErrorText(const VbError& e) {
  return L"Error #" + Str(e.Number()) + L"(" + win::Widen(e.Description()) + L")";
}

// The text of the box a failed run shows. A refused name or destination adds a line that names
// the character, so the user knows what to change.
inline std::wstring OopsText(const VbError& e) {
  std::wstring text = ErrorText(e) + L" has\r\noccured in 'btnStart' routine.";
  if (!e.Detail().empty()) {
    std::wstring detail = win::Widen(e.Detail());
    if (detail[0] >= L'a' && detail[0] <= L'z') detail[0] = static_cast<wchar_t>(detail[0] - L'a' + L'A');
    text += L"\r\n\r\n" + detail + L".";
  }
  return text;
}

}  // namespace quorvel
