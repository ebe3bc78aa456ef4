#pragma once
// Move-only owners of Windows handles and COM objects.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <unknwn.h>

#include <utility>

namespace quorvel::win {

template <typename T, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(T value) noexcept : value_(value) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return Traits::Valid(value_); }
  T release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  void reset(T value = Traits::Invalid()) noexcept {
    if (Traits::Valid(value_)) Traits::Close(value_);
    value_ = value;
  }
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::Invalid();
};

// A handle whose invalid value is null, let go of by `Free`.
template <typename T, auto Free>
struct NullInvalidTraits {
  static T Invalid() noexcept { return nullptr; }
  static bool Valid(T h) noexcept { return h != nullptr; }
  static void Close(T h) noexcept { Free(h); }
};
// A handle of the file functions: INVALID_HANDLE_VALUE when there is none (null too).
template <auto Free>
struct FileTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Valid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(HANDLE h) noexcept { Free(h); }
};

using Handle = UniqueHandle<HANDLE, FileTraits<&::CloseHandle>>;
using FindHandle = UniqueHandle<HANDLE, FileTraits<&::FindClose>>;
using Key = UniqueHandle<HKEY, NullInvalidTraits<HKEY, &::RegCloseKey>>;
using Font = UniqueHandle<HFONT, NullInvalidTraits<HFONT, &::DeleteObject>>;
using Brush = UniqueHandle<HBRUSH, NullInvalidTraits<HBRUSH, &::DeleteObject>>;
using Bitmap = UniqueHandle<HBITMAP, NullInvalidTraits<HBITMAP, &::DeleteObject>>;
// A DC of CreateCompatibleDC or CreateDC (a window's DC is ScopedGetDC's, Gdi.h).
using Dc = UniqueHandle<HDC, NullInvalidTraits<HDC, &::DeleteDC>>;
using Icon = UniqueHandle<HICON, NullInvalidTraits<HICON, &::DestroyIcon>>;
using EnhMetaFile = UniqueHandle<HENHMETAFILE, NullInvalidTraits<HENHMETAFILE, &::DeleteEnhMetaFile>>;
using Menu = UniqueHandle<HMENU, NullInvalidTraits<HMENU, &::DestroyMenu>>;
// A window of no class of ours (a class of ours destroys its own window).
using WindowHandle = UniqueHandle<HWND, NullInvalidTraits<HWND, &::DestroyWindow>>;
using Module = UniqueHandle<HMODULE, NullInvalidTraits<HMODULE, &::FreeLibrary>>;
using GlobalMemory = UniqueHandle<HGLOBAL, NullInvalidTraits<HGLOBAL, &::GlobalFree>>;
// Memory the system allocated with LocalAlloc for the caller (FormatMessage's buffer).
template <typename P>
using LocalMemory = UniqueHandle<P, NullInvalidTraits<P, &::LocalFree>>;
using Bstr = UniqueHandle<BSTR, NullInvalidTraits<BSTR, &::SysFreeString>>;

// Owner of one reference to a COM object.
template <typename I>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  // Takes over a reference the caller already owns.
  static ComPtr Attach(I* p) noexcept {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  // Adds a reference of its own.
  static ComPtr From(I* p) noexcept {
    if (p) p->AddRef();
    return Attach(p);
  }

  I* get() const noexcept { return p_; }
  I* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  I** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  I* detach() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  template <typename Q>
  HRESULT As(ComPtr<Q>& out) const noexcept {
    return p_ ? p_->QueryInterface(__uuidof(Q), out.put_void()) : E_POINTER;
  }

 private:
  I* p_ = nullptr;
};

}  // namespace quorvel::win
