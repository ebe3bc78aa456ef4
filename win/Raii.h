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

struct FileHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Valid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct KeyTraits {
  static HKEY Invalid() noexcept { return nullptr; }
  static bool Valid(HKEY h) noexcept { return h != nullptr; }
  static void Close(HKEY h) noexcept { ::RegCloseKey(h); }
};
template <typename G>
struct GdiTraits {
  static G Invalid() noexcept { return nullptr; }
  static bool Valid(G h) noexcept { return h != nullptr; }
  static void Close(G h) noexcept { ::DeleteObject(h); }
};
struct ModuleTraits {
  static HMODULE Invalid() noexcept { return nullptr; }
  static bool Valid(HMODULE h) noexcept { return h != nullptr; }
  static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};
// A window of no class of ours (a class of ours destroys its own window).
struct WindowTraits {
  static HWND Invalid() noexcept { return nullptr; }
  static bool Valid(HWND h) noexcept { return h != nullptr; }
  static void Close(HWND h) noexcept { ::DestroyWindow(h); }
};
struct FindTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Valid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(HANDLE h) noexcept { ::FindClose(h); }
};
struct IconTraits {
  static HICON Invalid() noexcept { return nullptr; }
  static bool Valid(HICON h) noexcept { return h != nullptr; }
  static void Close(HICON h) noexcept { ::DestroyIcon(h); }
};
struct MenuTraits {
  static HMENU Invalid() noexcept { return nullptr; }
  static bool Valid(HMENU h) noexcept { return h != nullptr; }
  static void Close(HMENU h) noexcept { ::DestroyMenu(h); }
};
// A DC of CreateCompatibleDC or CreateDC (a window's DC is ScopedGetDC's, Gdi.h).
struct DcTraits {
  static HDC Invalid() noexcept { return nullptr; }
  static bool Valid(HDC h) noexcept { return h != nullptr; }
  static void Close(HDC h) noexcept { ::DeleteDC(h); }
};
struct GlobalTraits {
  static HGLOBAL Invalid() noexcept { return nullptr; }
  static bool Valid(HGLOBAL h) noexcept { return h != nullptr; }
  static void Close(HGLOBAL h) noexcept { ::GlobalFree(h); }
};
// Memory the system allocated with LocalAlloc for the caller (FormatMessage's buffer).
template <typename P>
struct LocalTraits {
  static P Invalid() noexcept { return nullptr; }
  static bool Valid(P p) noexcept { return p != nullptr; }
  static void Close(P p) noexcept { ::LocalFree(p); }
};
// Memory of the COM task allocator (an item list of the Shell).
template <typename P>
struct CoTaskMemTraits {
  static P Invalid() noexcept { return nullptr; }
  static bool Valid(P p) noexcept { return p != nullptr; }
  static void Close(P p) noexcept { ::CoTaskMemFree(const_cast<void*>(static_cast<const void*>(p))); }
};
struct BstrTraits {
  static BSTR Invalid() noexcept { return nullptr; }
  static bool Valid(BSTR s) noexcept { return s != nullptr; }
  static void Close(BSTR s) noexcept { ::SysFreeString(s); }
};

using Handle = UniqueHandle<HANDLE, FileHandleTraits>;
using Key = UniqueHandle<HKEY, KeyTraits>;
using Font = UniqueHandle<HFONT, GdiTraits<HFONT>>;
using Brush = UniqueHandle<HBRUSH, GdiTraits<HBRUSH>>;
using Bitmap = UniqueHandle<HBITMAP, GdiTraits<HBITMAP>>;
using Module = UniqueHandle<HMODULE, ModuleTraits>;
using WindowHandle = UniqueHandle<HWND, WindowTraits>;
using FindHandle = UniqueHandle<HANDLE, FindTraits>;
using Icon = UniqueHandle<HICON, IconTraits>;
using Menu = UniqueHandle<HMENU, MenuTraits>;
using Dc = UniqueHandle<HDC, DcTraits>;
using GlobalMemory = UniqueHandle<HGLOBAL, GlobalTraits>;
template <typename P>
using LocalMemory = UniqueHandle<P, LocalTraits<P>>;
template <typename P>
using CoTaskMemory = UniqueHandle<P, CoTaskMemTraits<P>>;
using Bstr = UniqueHandle<BSTR, BstrTraits>;

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
