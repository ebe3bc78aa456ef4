#pragma once
// The one message loop of every window of ours, in its three forms: the program's loop, the
// pause of a long command that lets the windows breathe, and the loop of a modal window.
#include <windows.h>

#include <functional>

namespace quorvel::win {

// Sees each message before it is translated and dispatched (a form's IsDialogMessage, for
// Tab and the arrow keys among its controls); true when it handled the message.
using MessageFilter = std::function<bool(MSG&)>;

// Runs until WM_QUIT and returns its exit code.
int RunMessageLoop(const MessageFilter& filter = nullptr);

// Dispatches the messages waiting now and returns. False when a WM_QUIT was among them: it is
// posted again, so that the loop outside ends too.
bool PumpPendingMessages(const MessageFilter& filter = nullptr);

// Runs until `window` is gone, as a modal window's loop. False when WM_QUIT ended it first: it
// is posted again, so that the loop outside ends too.
bool RunModalLoop(HWND window, const MessageFilter& filter = nullptr);

// A form's dialog keys (IsDialogMessage) for messages to the form and its controls; true when
// the message was one. DialogKeysOf makes it a filter.
bool HandleDialogKeys(HWND form, MSG& msg);
MessageFilter DialogKeysOf(HWND form);

}  // namespace quorvel::win
