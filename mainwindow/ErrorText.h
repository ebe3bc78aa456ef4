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

}  // namespace quorvel
