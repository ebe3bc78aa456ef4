#pragma once
// Entry points of a library found by name. BindByName is for the system libraries the
// program calls at run time without linking them: the library, once loaded, stays loaded for
// the process's life, as a Declare'd library does. Library owns a library it loads from a
// path and unloads it at the end.
#include <windows.h>

#include "Raii.h"

namespace quorvel::win {

// The address of `function` in `library` (loaded if it is not yet); nullptr, with the
// loader's error in GetLastError, when either cannot be found.
FARPROC ProcByName(const wchar_t* library, const char* function) noexcept;

template <typename Fn>
Fn BindByName(const wchar_t* library, const char* function) noexcept {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(ProcByName(library, function)));
}

class Library {
 public:
  Library() noexcept = default;
  // LoadLibraryW; on failure the library is empty and GetLastError says why.
  explicit Library(const wchar_t* path) noexcept : module_(::LoadLibraryW(path)) {}

  explicit operator bool() const noexcept { return static_cast<bool>(module_); }
  HMODULE get() const noexcept { return module_.get(); }
  void reset() noexcept { module_.reset(); }

  // nullptr, with the loader's error in GetLastError, when the library has no such entry.
  template <typename Fn>
  Fn Bind(const char* function) const noexcept {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), function)));
  }

 private:
  Module module_;
};

}  // namespace quorvel::win
