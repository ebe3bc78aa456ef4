#pragma once
// A read-only view of plain text of any length: the output area of the main window.
//
// The text and its line index live in a TextBuffer; the view paints only the lines in sight.
// The control answers the EDIT messages that the program and outside tools use: WM_SETTEXT,
// WM_GETTEXT, WM_GETTEXTLENGTH, EM_GETSEL, EM_SETSEL, EM_REPLACESEL, EM_GETLINECOUNT,
// EM_LINEINDEX, EM_LINELENGTH, EM_LINEFROMCHAR, EM_GETFIRSTVISIBLELINE, EM_LINESCROLL,
// EM_SCROLLCARET, WM_COPY, WM_SETFONT and WM_GETFONT. WS_BORDER becomes a sunken client edge,
// as an edit control's does.
#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "TextBuffer.h"
#include "Window.h"

namespace quorvel {

class TextView : public win::WindowBase<TextView> {
 public:
  static constexpr const wchar_t* kClassName = L"QuorvelTextView";

  // Registers the window class once per process; later calls do nothing.
  static void Register(HINSTANCE instance);

  // The window is made by CreateWindowEx with the class above and this view as lpParam; it
  // lives until the window is destroyed or the view goes, whichever comes first.
  TextView() = default;
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
  friend class win::WindowBase<TextView>;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnPaint(HDC dc, PAINTSTRUCT* ps);
  void ReportNoMemory();
  // Brings the screen up to date after a change of the text from line `firstLine` on.
  void Changed(size_t firstLine);

  // ---- measuring ----
  HFONT CurrentFont() const;
  void SetFont(HFONT font, bool redraw);
  void MeasureFont();
  int CharWidth(wchar_t c);
  // Width of a character that stands at `x` pixels from the line's start.
  int AdvanceAt(wchar_t c, int x);
  // Pixels from the line's start to its character `column`.
  int XOfColumn(size_t line, size_t column);
  // The column nearest to `x` pixels from the line's start.
  size_t ColumnAtX(size_t line, int x);
  size_t PositionAtPoint(POINT pt);
  int VisibleLines() const;
  // Pixels from the left edge of the text to the right end of its widest line, about.
  int ContentWidth() const;

  // ---- scrolling and caret ----
  void UpdateScrollBars();
  void ScrollTo(std::int64_t line, std::int64_t x);
  void ScrollCaretIntoView();
  void PlaceCaret();
  void MoveCaret(size_t position, bool extend);
  void OnVScroll(int code);
  void OnHScroll(int code);
  void OnKeyDown(WPARAM key);
  void OnMouseWheel(int delta);
  void OnMouseDown(POINT pt, bool extend);
  void OnMouseMove(POINT pt);
  void OnAutoScroll();
  void ShowContextMenu(POINT screen);
  void InvalidateLines(size_t first, size_t last);

  void Paint(HDC dc, const RECT& area);
  void PaintLine(HDC dc, size_t line, int top, int right);

  TextBuffer buffer_;

  HFONT font_ = nullptr;
  int lineHeight_ = 16;
  int averageWidth_ = 8;
  int maxCharWidth_ = 8;
  bool fixedPitch_ = true;
  std::vector<std::uint16_t> widths_;  // per UTF-16 unit; 0xFFFF not measured yet
  std::vector<wchar_t> glyphs_;        // the row being painted
  std::vector<int> advances_;

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
