#pragma once
// The base every window and control of ours stands on: one static window procedure that finds
// its object through the create parameters and calls the object's hooks.
#include <windows.h>

#include <new>

#include "Dpi.h"
#include "Gdi.h"
#include "Raii.h"
#include "WindowClass.h"

namespace quorvel::win {

// Base of every window class. The hooks below are virtual, each with the default a window
// that does not handle its message needs; Derived overrides the ones it handles, marked
// `override` (a hook with another signature is then a compile error, and the build's
// -Werror=overloaded-virtual refuses one written without the word). Hooks may be private.
//
// A control made by class name (from a control table, without create parameters) declares
// `static constexpr bool kMadeByWindow = true` and befriends the base: the base makes its
// object at WM_NCCREATE and deletes it after WM_NCDESTROY. The recipe of a window: a static
// `bool Register(HINSTANCE)` that calls RegisterClassOnce, a `bool Create(...)` that checks
// it and calls CreateWindowEx with `this` as lpParam, the controls made from its table in
// OnCreate, and the loop of MessageLoop.h.
//
// No exception leaves the window procedure: a hook that throws makes its message fail (a
// window whose WM_CREATE throws is not created) and OnError is called.
template <typename Derived>
class WindowBase {
 public:
  HWND hwnd() const noexcept { return hwnd_; }

 protected:
  static constexpr bool kMadeByWindow = false;

  WindowBase() = default;
  // A window that outlives its object hears nothing more through it.
  virtual ~WindowBase() {
    if (hwnd_) ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  }

  // WM_CREATE; false: the window is not created (CreateWindowEx returns nullptr).
  virtual bool OnCreate(const CREATESTRUCTW& /*create*/) { return true; }
  // WM_COMMAND: the control's id and notification code.
  virtual void OnCommand(int /*id*/, int /*code*/) {}
  // WM_PAINT between BeginPaint and EndPaint, and WM_PRINTCLIENT with the device context it
  // brings (the whole client area).
  virtual void OnPaint(HDC /*dc*/, PAINTSTRUCT* /*ps*/) {}
  // WM_DESTROY.
  virtual void OnDestroy() {}
  // Every other message.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return DefaultProc(msg, wParam, lParam); }
  // A hook threw; the message has failed.
  virtual void OnError() noexcept {}

  // Pass `this` as lpParam of CreateWindowEx.
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowBase* self = nullptr;
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      if constexpr (Derived::kMadeByWindow) {
        self = new (std::nothrow) Derived();
      } else {
        self = static_cast<Derived*>(cs->lpCreateParams);
      }
      if (!self) return FALSE;  // no object, no window
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<WindowBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    LRESULT result = 0;
    try {
      result = self->Dispatch(msg, wParam, lParam);
    } catch (...) {
      result = msg == WM_NCCREATE ? FALSE : msg == WM_CREATE ? -1 : 0;
      self->OnError();
    }
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      if constexpr (Derived::kMadeByWindow) delete self;
    }
    return result;
  }

  // Registers the window class of Derived once: dialog-coloured, arrow cursor.
  static bool RegisterClassOnce(HINSTANCE instance, const wchar_t* className, HICON icon = nullptr) {
    ClassStyle style;
    style.icon = icon;
    return RegisterWindowClass(instance, className, &WndProc, style);
  }
  static bool RegisterClassOnce(HINSTANCE instance, const wchar_t* className, const ClassStyle& style) {
    return RegisterWindowClass(instance, className, &WndProc, style);
  }

  LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
  }

  HWND hwnd_ = nullptr;

 private:
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case WM_CREATE:
        return OnCreate(*reinterpret_cast<const CREATESTRUCTW*>(lParam)) ? 0 : -1;
      case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
      case WM_PAINT: {
        ScopedPaint paint(hwnd_);
        OnPaint(paint.dc(), paint.get());
        return 0;
      }
      case WM_PRINTCLIENT: {
        PAINTSTRUCT ps{};
        ps.hdc = reinterpret_cast<HDC>(wParam);
        ::GetClientRect(hwnd_, &ps.rcPaint);
        OnPaint(ps.hdc, &ps);
        return 0;
      }
      case WM_DESTROY:
        OnDestroy();
        return 0;
      default:
        return HandleMessage(msg, wParam, lParam);
    }
  }
};

}  // namespace quorvel::win
