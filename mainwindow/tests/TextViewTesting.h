#pragma once
// What the TextView tests share: the clipboard's text and key presses with modifiers held.
#include <windows.h>

#include <cwchar>
#include <string>

#include "Raii.h"

namespace quorvel::testing {

// The Unicode text on the clipboard; empty when there is none.
inline std::wstring ClipboardText(HWND owner) {
  std::wstring text;
  if (!::OpenClipboard(owner)) return text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const wchar_t*>(::GlobalLock(data))) text = p;
    ::GlobalUnlock(data);
  }
  ::CloseClipboard();
  return text;
}

inline void SetClipboardText(HWND owner, const std::wstring& text) {
  if (!::OpenClipboard(owner)) return;
  ::EmptyClipboard();
  if (win::GlobalMemory memory{::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))}) {
    std::wmemcpy(static_cast<wchar_t*>(::GlobalLock(memory.get())), text.c_str(), text.size() + 1);
    ::GlobalUnlock(memory.get());
    if (::SetClipboardData(CF_UNICODETEXT, memory.get())) memory.release();  // the clipboard's now
  }
  ::CloseClipboard();
}

// Sends WM_KEYDOWN with Ctrl and Shift held or not, as the thread's keyboard state tells.
inline void PressKey(HWND window, WPARAM key, bool control = false, bool shift = false) {
  BYTE state[256] = {};
  ::GetKeyboardState(state);
  state[VK_CONTROL] = control ? 0x80 : 0;
  state[VK_SHIFT] = shift ? 0x80 : 0;
  ::SetKeyboardState(state);
  ::SendMessageW(window, WM_KEYDOWN, key, 0);
  state[VK_CONTROL] = state[VK_SHIFT] = 0;
  ::SetKeyboardState(state);
}

}  // namespace quorvel::testing
