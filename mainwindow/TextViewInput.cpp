#include "TextView.h"

#include <algorithm>

#include "Raii.h"

// The keyboard, the mouse and the context menu: moving the caret, selecting and copying.

namespace quorvel {
namespace {

constexpr UINT kAutoScrollMs = 50;

enum MenuCommand : UINT { kCopy = 1, kSelectAll = 2 };


}  // namespace

size_t TextView::PositionAtPoint(POINT pt) {
  const std::int64_t line = std::clamp<std::int64_t>(static_cast<std::int64_t>(topLine_) + layout_.RowAt(pt.y), 0,
                                                     static_cast<std::int64_t>(buffer_.LineCount()) - 1);
  const auto l = static_cast<size_t>(line);
  return buffer_.LineStart(l) + layout_.ColumnAtX(buffer_.Line(l), pt.x - TextLayout::kMargin + xOffset_);
}

void TextView::MoveCaret(size_t position, bool extend) {
  SetSelection(extend ? buffer_.Anchor() : position, position);
  ScrollCaretIntoView();
}

void TextView::OnKeyDown(WPARAM key) {
  const bool control = ::GetKeyState(VK_CONTROL) < 0;
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool vertical = key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT;
  if (!vertical) goalX_ = -1;
  const size_t line = buffer_.LineOf(buffer_.Caret());
  const bool collapse = !shift && buffer_.Anchor() != buffer_.Caret();
  switch (key) {
    case 'A':
      if (control) SetSelection(0, buffer_.Length());
      return;
    case 'C':
    case VK_INSERT:
      if (control) CopySelection();
      return;
    case VK_LEFT:
      MoveCaret(collapse ? buffer_.SelectionStart() : buffer_.PreviousPosition(buffer_.Caret()), shift);
      return;
    case VK_RIGHT:
      MoveCaret(collapse ? buffer_.SelectionEnd() : buffer_.NextPosition(buffer_.Caret()), shift);
      return;
    case VK_HOME:
      MoveCaret(control ? 0 : buffer_.LineStart(line), shift);
      return;
    case VK_END:
      MoveCaret(control ? buffer_.Length() : buffer_.LineEnd(line), shift);
      return;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      if (goalX_ < 0) goalX_ = XOfPosition(buffer_.Caret());
      const auto page = static_cast<std::int64_t>(std::max(1, VisibleLines() - 1));
      const std::int64_t step = key == VK_UP ? -1 : key == VK_DOWN ? 1 : key == VK_PRIOR ? -page : page;
      const auto target = static_cast<size_t>(
          std::clamp<std::int64_t>(static_cast<std::int64_t>(line) + step, 0,
                                   static_cast<std::int64_t>(buffer_.LineCount()) - 1));
      // A page key moves the view with the caret, as far as it can go.
      if (key == VK_PRIOR || key == VK_NEXT) ScrollTo(static_cast<std::int64_t>(topLine_) + step, xOffset_);
      MoveCaret(buffer_.LineStart(target) + layout_.ColumnAtX(buffer_.Line(target), goalX_), shift);
      return;
    }
    default:
      return;
  }
}

void TextView::OnMouseDown(POINT pt, bool extend) {
  if (::GetFocus() != hwnd_) ::SetFocus(hwnd_);
  goalX_ = -1;
  MoveCaret(PositionAtPoint(pt), extend);
  selecting_ = true;
  lastMouse_ = pt;
  ::SetCapture(hwnd_);
  ::SetTimer(hwnd_, kAutoScrollTimer, kAutoScrollMs, nullptr);
}

void TextView::OnMouseMove(POINT pt) {
  lastMouse_ = pt;
  MoveCaret(PositionAtPoint(pt), true);
}

void TextView::OnAutoScroll() {
  // A mouse held still outside the view keeps the selection growing: each tick moves the
  // caret to the line under the pointer, beyond the edge, and the view follows it.
  RECT client;
  ::GetClientRect(hwnd_, &client);
  if (selecting_ && !::PtInRect(&client, lastMouse_)) OnMouseMove(lastMouse_);
}

void TextView::ShowContextMenu(POINT screen) {
  if (::GetFocus() != hwnd_) ::SetFocus(hwnd_);
  if (screen.x == -1 && screen.y == -1) {  // from the keyboard: at the caret
    ::GetCaretPos(&screen);
    screen.y += layout_.LineHeight();
    ::ClientToScreen(hwnd_, &screen);
  }
  const win::Menu menu(::CreatePopupMenu());
  if (!menu) return;
  ::AppendMenuW(menu.get(), MF_STRING | (buffer_.Anchor() == buffer_.Caret() ? MF_GRAYED : 0), kCopy, L"&Copy");
  ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu.get(), MF_STRING | (buffer_.Length() == 0 ? MF_GRAYED : 0), kSelectAll, L"Select &All");
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr));
  if (chosen == kCopy) CopySelection();
  if (chosen == kSelectAll) SetSelection(0, buffer_.Length());
}

}  // namespace quorvel
