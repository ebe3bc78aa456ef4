#include "MessageLoop.h"

namespace quorvel::win {
namespace {

void Dispatch(MSG& msg, const MessageFilter& filter) {
  if (filter && filter(msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

}  // namespace

int RunMessageLoop(const MessageFilter& filter) {
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg, filter);
  return static_cast<int>(msg.wParam);
}

bool PumpPendingMessages(const MessageFilter& filter) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    Dispatch(msg, filter);
  }
  return true;
}

bool RunModalLoop(HWND window, const MessageFilter& filter) {
  MSG msg;
  while (::IsWindow(window)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (got == -1) break;
    Dispatch(msg, filter);
  }
  return true;
}

bool HandleDialogKeys(HWND form, MSG& msg) {
  if (!form || (msg.hwnd != form && !::IsChild(form, msg.hwnd))) return false;
  return ::IsDialogMessageW(form, &msg) != FALSE;
}

MessageFilter DialogKeysOf(HWND form) {
  return [form](MSG& msg) { return HandleDialogKeys(form, msg); };
}

}  // namespace quorvel::win
