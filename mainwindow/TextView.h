#pragma once
// A read-only view of plain text of any length: the output area of the main window.
//
// The text and its line index live in a TextBuffer; the view paints only the lines in sight.
// The control answers the EDIT messages that the program and outside tools use: WM_SETTEXT,
// WM_GETTEXT, WM_GETTEXTLENGTH, EM_GETSEL, EM_SETSEL, EM_REPLACESEL, EM_GETLINECOUNT,
// EM_LINEINDEX, EM_LINELENGTH, EM_LINEFROMCHAR, EM_GETFIRSTVISIBLELINE, EM_LINESCROLL,
// EM_SCROLL, EM_SCROLLCARET, EM_GETLIMITTEXT, WM_COPY, WM_SETFONT, WM_GETFONT and
// WM_PRINTCLIENT. As a read-only edit control does, it accepts EM_SETLIMITTEXT,
// EM_SETREADONLY and EM_EMPTYUNDOBUFFER (TRUE, nothing changes) and declines EM_GETMODIFY,
// EM_CANUNDO, EM_UNDO, WM_UNDO, WM_CUT, WM_PASTE and WM_CLEAR (0). WS_BORDER becomes a sunken
// client edge, as an edit control's does.
//
// The view's code is split by concern: the window and its messages (TextView.cpp), the EDIT
// messages and the text (TextViewEdit.cpp), scrolling and the caret (TextViewScroll.cpp),
// keyboard, mouse and context menu (TextViewInput.cpp) and painting (TextViewPaint.cpp);
// where characters stand is TextLayout's, which knows no window.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "TextBuffer.h"
#include "TextLayout.h"
#include "Window.h"

namespace quorvel {

class TextView : public win::WindowBase<TextView> {
 public:
  static constexpr const wchar_t* kClassName = L"QuorvelTextView";

  // Registers the window class once per process; later calls do nothing.
  static bool Register(HINSTANCE instance);

  // The window is made by CreateWindowEx with the class above and this view as lpParam; it
  // lives until the window is destroyed or the view goes, whichever comes first.
  TextView();
  ~TextView();
  TextView(const TextView&) = delete;
  TextView& operator=(const TextView&) = delete;

  // Direct calls for the program; they throw std::bad_alloc when memory runs out and leave
  // the text as it was then.
  std::wstring_view Text() const { return buffer_.Text(); }
  size_t Length() const { return buffer_.Length(); }
  void SetText(std::wstring_view text);
  // Replaces the selection with `text`; the caret ends after it. At the end of the text the
  // cost is that of the new text only.
  void ReplaceSelection(std::wstring_view text);
  // Adds text after the last character; the selection stays where it is.
  void Append(std::wstring_view text);
  // Removes everything from character `from` to the end.
  void TruncateTo(size_t from);
  // Makes room for that much more text in advance (see TextBuffer::Reserve).
  void Reserve(size_t characters, size_t lines) { buffer_.Reserve(characters, lines); }
  // anchor: where a selection began; caret: where it ends (either may be the smaller).
  void SetSelection(size_t anchor, size_t caret);
  void SelectAll() { SetSelection(0, Length()); }
  // Puts the selected text on the clipboard as Unicode text; false when it could not.
  bool CopySelection();

 private:
  static constexpr UINT_PTR kAutoScrollTimer = 1;  // a drag held outside the view
  bool OnCreate(const CREATESTRUCTW& create) override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnPaint(HDC dc, PAINTSTRUCT* ps) override;
  // A message that ran out of memory: the parent hears it, as from an edit control.
  void OnError() noexcept override;

  // ---- EDIT messages and the text ----
  // The answer to a message an edit control knows; nothing for the others.
  std::optional<LRESULT> OnEditMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Brings the screen up to date after a change of the text from line `firstLine` on.
  void Changed(size_t firstLine);

  // ---- font ----
  HFONT CurrentFont() const;
  void SetFont(HFONT font, bool redraw);
  void MeasureFont();
  bool MeasureWidths(unsigned first, int* widths) const;

  // ---- scrolling and caret ----
  int VisibleLines() const;
  void UpdateScrollBars();
  void ScrollTo(std::int64_t line, std::int64_t x);
  // A scroll bar's request (SB_LINEUP ...) along SB_VERT or SB_HORZ.
  void OnScroll(int bar, int code);
  void OnMouseWheel(int delta);
  void ScrollCaretIntoView();
  void PlaceCaret();
  // Pixels from the start of its line to a position.
  int XOfPosition(size_t position);
  void InvalidateLines(size_t first, size_t last);

  // ---- keyboard, mouse and context menu ----
  size_t PositionAtPoint(POINT pt);
  void MoveCaret(size_t position, bool extend);
  void OnKeyDown(WPARAM key);
  void OnMouseDown(POINT pt, bool extend);
  void OnMouseMove(POINT pt);
  void OnAutoScroll();
  void ShowContextMenu(POINT screen);

  // ---- painting ----
  void Paint(HDC dc, const RECT& area);
  void PaintLine(HDC dc, size_t line, int top, int right);

  TextBuffer buffer_;
  TextLayout layout_;
  HFONT font_ = nullptr;
  TextLayout::InSight sight_;  // the row being painted

  struct ScrollState {
    int max;
    UINT page;
    int pos;
    bool operator==(const ScrollState&) const = default;
  };
  ScrollState vertical_{-1, 0, -1};
  ScrollState horizontal_{-1, 0, -1};

  size_t topLine_ = 0;
  int xOffset_ = 0;
  int wheelRest_ = 0;
  int goalX_ = -1;  // the column an up or down move keeps, in pixels
  bool focused_ = false;
  bool selecting_ = false;
  POINT lastMouse_{};
};

}  // namespace quorvel
