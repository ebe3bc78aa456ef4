#pragma once
// The base every window and control of ours stands on: one static window procedure that finds
// its object through the create parameters, and hooks found by name.
#include <windows.h>

#include <new>

#include "Dpi.h"
#include "Gdi.h"
#include "Raii.h"
#include "WindowClass.h"

namespace quorvel::win {

// Base of every window class. Derived declares what it handles, all optional:
//   void OnCreate()                       WM_CREATE (returns 0)
//   void OnCommand(int id, int code)      WM_COMMAND: the control's id and notification code
//   void OnPaint(HDC, PAINTSTRUCT*)       WM_PAINT, between BeginPaint and EndPaint
//   void OnDestroy()                      WM_DESTROY
//   LRESULT HandleMessage(UINT, WPARAM, LPARAM)   every other message (else DefWindowProc)
// A control made by class name (from a control table, without create parameters) declares
// `static constexpr bool kMadeByWindow = true`: the base makes its object at WM_NCCREATE and
// deletes it after WM_NCDESTROY. The recipe of a window: a static `bool Register(HINSTANCE)`
// that calls RegisterClassOnce, CreateWindowEx with `this` as lpParam, the controls made from
// its table in OnCreate, and the loop of MessageLoop.h.
template <typename Derived>
class WindowBase {
 public:
  HWND hwnd() const noexcept { return hwnd_; }

 protected:
  static constexpr bool kMadeByWindow = false;

  // Pass `this` as lpParam of CreateWindowEx.
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Derived* self = nullptr;
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      self = static_cast<Derived*>(cs->lpCreateParams);
      if constexpr (Derived::kMadeByWindow) self = new (std::nothrow) Derived();
      if (!self) return FALSE;  // no object, no window
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    const LRESULT result = Dispatch(self, msg, wParam, lParam);
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
  // Functions, not constants: Derived is complete only when they are called.
  static constexpr bool HasOnCreate() { return requires(Derived& d) { d.OnCreate(); }; }
  static constexpr bool HasOnCommand() { return requires(Derived& d, int id, int code) { d.OnCommand(id, code); }; }
  static constexpr bool HasOnPaint() { return requires(Derived& d, HDC dc, PAINTSTRUCT* ps) { d.OnPaint(dc, ps); }; }
  static constexpr bool HasOnDestroy() { return requires(Derived& d) { d.OnDestroy(); }; }
  static constexpr bool HasHandleMessage() {
    return requires(Derived& d, UINT msg, WPARAM wParam, LPARAM lParam) { d.HandleMessage(msg, wParam, lParam); };
  }

  static LRESULT Dispatch(Derived* self, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case WM_CREATE:
        if constexpr (HasOnCreate()) {
          self->OnCreate();
          return 0;
        }
        break;
      case WM_COMMAND:
        if constexpr (HasOnCommand()) {
          self->OnCommand(LOWORD(wParam), HIWORD(wParam));
          return 0;
        }
        break;
      case WM_PAINT:
        if constexpr (HasOnPaint()) {
          PAINTSTRUCT ps;
          HDC dc = ::BeginPaint(self->hwnd_, &ps);
          self->OnPaint(dc, &ps);
          ::EndPaint(self->hwnd_, &ps);
          return 0;
        }
        break;
      case WM_DESTROY:
        if constexpr (HasOnDestroy()) {
          self->OnDestroy();
          return 0;
        }
        break;
      default:
        break;
    }
    if constexpr (HasHandleMessage()) {
      return self->HandleMessage(msg, wParam, lParam);
    } else {
      return self->DefaultProc(msg, wParam, lParam);
    }
  }
};

}  // namespace quorvel::win
