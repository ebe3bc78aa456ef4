#pragma once
// COM (CoInitialize) or OLE (OleInitialize: COM, plus the clipboard, drag and drop and the
// in-place activation an ActiveX control needs) on this thread for a scope. Each call that
// succeeded, S_FALSE (already initialised here) included, is undone once at the end of the
// scope; a failed one is not undone.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

namespace quorvel::win {

class ScopedComInit {
 public:
  enum Kind { kCom, kOle };
  explicit ScopedComInit(Kind kind) noexcept
      : kind_(kind), result_(kind == kOle ? ::OleInitialize(nullptr) : ::CoInitialize(nullptr)) {}
  ~ScopedComInit() {
    if (FAILED(result_)) return;
    if (kind_ == kOle) {
      ::OleUninitialize();
    } else {
      ::CoUninitialize();
    }
  }
  ScopedComInit(const ScopedComInit&) = delete;
  ScopedComInit& operator=(const ScopedComInit&) = delete;

  HRESULT Result() const noexcept { return result_; }
  bool Succeeded() const noexcept { return SUCCEEDED(result_); }

 private:
  Kind kind_;
  HRESULT result_;
};

}  // namespace quorvel::win
