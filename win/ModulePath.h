#pragma once
// Where a module (the program, or a library of ours) was loaded from.
#include <windows.h>

#include <string>

namespace quorvel::win {

// The full path of `module` (nullptr: the program), however long; "" when Windows has none.
std::wstring ModuleFileName(HMODULE module);

}  // namespace quorvel::win
