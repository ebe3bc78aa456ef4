#pragma once
#include <windows.h>

#include "VbError.h"

namespace quorvel::win {

// The run-time error a Windows error code stands for (2 -> 53, 3 -> 76, 5 -> 75, 32 -> 70 ...):
// the one map from Windows errors to VB errors, for the window and quorvel-gen alike.
int VbErrorNumberFromWin32(DWORD code);
[[noreturn]] void ThrowWin32(DWORD code);
[[noreturn]] void ThrowLastError();

}  // namespace quorvel::win
