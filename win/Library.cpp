#include "Library.h"

namespace quorvel::win {

FARPROC ProcByName(const wchar_t* library, const char* function) noexcept {
  HMODULE module = ::GetModuleHandleW(library);
  if (!module) module = ::LoadLibraryW(library);
  if (!module) return nullptr;
  return ::GetProcAddress(module, function);
}

}  // namespace quorvel::win
