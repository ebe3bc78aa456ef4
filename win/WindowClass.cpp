#include "WindowClass.h"

// Apart from ControlTable.cpp, so that a library which only registers a class does not bring in
// the common controls the control tables need.
namespace quorvel::win {

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, const ClassStyle& style) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(instance, name, &existing)) {
    if (existing.lpfnWndProc == proc) return true;
    // Windows of the old class still open keep it; they are not ours to break.
    if (!::UnregisterClassW(name, instance)) return true;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = style.style;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = style.extraBytes;
  wc.hInstance = instance;
  wc.hCursor = style.cursor ? ::LoadCursorW(nullptr, style.cursor) : nullptr;
  wc.hbrBackground = style.background;
  wc.lpszClassName = name;
  wc.hIcon = style.icon;
  wc.hIconSm = style.icon;
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace quorvel::win
