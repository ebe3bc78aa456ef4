#pragma once
// The frame every window and control of ours stands on: one static window procedure that
// finds its object through the create parameters, and controls built from a layout table
// given in twips.
#include <windows.h>

#include <new>
#include <span>
#include <string>
#include <vector>

#include "Gdi.h"
#include "Raii.h"
#include "WindowClass.h"

namespace quorvel::win {

// 1,440 twips to the inch, scaled with the window's DPI (15 twips a pixel at 96 DPI).
inline int TwipsToPixels(int twips, int dpi) { return ::MulDiv(twips, dpi, 1440); }
int WindowDpi(HWND hwnd);  // nullptr: the screen's

// The font of a table row: face, point size and weight, made for a DPI by CreatePointFont.
struct FontRow {
  const wchar_t* face = nullptr;  // nullptr: the window's standard font
  double points = 0;
  int weight = FW_NORMAL;
  bool underline = false;
  bool fixedPitch = false;  // where the face is missing, the substitute keeps fixed pitch
};
Font CreatePointFont(const FontRow& spec, int dpi);

// One row of a window's control table. Positions are twips relative to the container.
struct ControlRow {
  const wchar_t* name;        // the control's name in the program (frmMain's Command1 ...)
  int id;                     // its control identifier
  const wchar_t* className;   // window class; nullptr for a label drawn on the window itself
  const wchar_t* text;        // caption or start text
  int container;              // index of the containing row, -1 for the window
  int left, top, width, height;
  int tabIndex;               // keyboard order; -1 when it takes no focus
  DWORD style;                // besides WS_CHILD | WS_VISIBLE
  FontRow font;               // face nullptr: the window's standard font
  const wchar_t* tooltip;     // nullptr: none
};

// Absolute rectangle of a row in client pixels (containers' offsets added).
RECT ControlRect(std::span<const ControlRow> table, size_t index, int dpi);

// The child windows made from a table, in table order (nullptr for labels), with their fonts
// (one per row, labels included, so the owner paints a label with fonts[row]).
struct CreatedControls {
  std::vector<HWND> windows;
  std::vector<Font> fonts;
  HWND tooltip = nullptr;
};
// Creates every windowed row as a child of `parent`, sets its font, adds tooltips, and
// orders the windows so that Tab follows tabIndex. Rows with a tabIndex get WS_TABSTOP unless
// they are static texts or group boxes; every control gets WS_CLIPSIBLINGS. createParams,
// when given, holds each row's lpParam for CreateWindowEx (the object of a control of ours).
CreatedControls CreateControls(HWND parent, HINSTANCE instance, std::span<const ControlRow> table,
                               const FontRow& standardFont, std::span<void* const> createParams = {});

// Size of a window whose client area is clientWidth x clientHeight twips.
SIZE WindowSizeForClient(DWORD style, DWORD exStyle, int clientWidthTwips, int clientHeightTwips, int dpi);

// Base of every window class: Derived implements LRESULT HandleMessage(UINT, WPARAM, LPARAM).
// A control made by class name (from a control table, without create parameters) declares
// `static constexpr bool kMadeByWindow = true`: the base makes its object at WM_NCCREATE and
// deletes it after WM_NCDESTROY. A Derived with OnPaint(HDC, PAINTSTRUCT*) gets WM_PAINT there,
// between BeginPaint and EndPaint.
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

  // WM_PAINT: hands the paint DC to Derived::OnPaint(HDC, PAINTSTRUCT*), or to Paint(HDC).
  LRESULT PaintThrough() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd_, &ps);
    if constexpr (HasOnPaint()) {
      static_cast<Derived*>(this)->OnPaint(dc, &ps);
    } else {
      static_cast<Derived*>(this)->Paint(dc);
    }
    ::EndPaint(hwnd_, &ps);
    return 0;
  }

  LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
  }

  HWND hwnd_ = nullptr;

 private:
  static constexpr bool HasOnPaint() {
    return requires(Derived& d, HDC dc, PAINTSTRUCT* ps) { d.OnPaint(dc, ps); };
  }
  static LRESULT Dispatch(Derived* self, UINT msg, WPARAM wParam, LPARAM lParam) {
    if constexpr (HasOnPaint()) {
      if (msg == WM_PAINT) return self->PaintThrough();
    }
    return self->HandleMessage(msg, wParam, lParam);
  }
};

}  // namespace quorvel::win
