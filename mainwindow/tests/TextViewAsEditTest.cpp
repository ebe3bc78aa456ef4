// The output area answers the EDIT messages as an edit control does. The oracle is a real
// read-only multi-line EDIT control of the same size and font: every case sends the same
// messages to both and compares each answer, and after each step everything the messages
// tell of the text, the selection, the lines and the scroll position.
//
// Where the view goes its own way on purpose the cases stay out: a lone CR or LF ends a line
// in the view, where an edit control keeps a lone CR within its line; a plain arrow key with
// a selection ends it at its edge; the view holds any length, and EM_GETLIMITTEXT says so.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TextView.h"
#include "TextViewTesting.h"

namespace quorvel {
namespace {

using testing::ClipboardText;
using testing::PressKey;
using testing::SetClipboardText;

constexpr int kRowsInSight = 8;

class TextViewAsEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TextView::Register(::GetModuleHandleW(nullptr));
    font_.reset(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH, L"Fixedsys"));
    TEXTMETRICW tm{};
    {
      win::ScopedGetDC dc(nullptr);
      win::ScopedSelectObject selected(dc, font_.get());
      ::GetTextMetricsW(dc, &tm);
    }
    // No border and a height of whole rows, so that both see the same rows.
    const int width = 400;
    const int height = kRowsInSight * tm.tmHeight;
    editWindow_.reset(::CreateWindowExW(
        0, L"EDIT", L"", WS_POPUP | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_READONLY | ES_NOHIDESEL, 0, 0,
        width, height, nullptr, nullptr, nullptr, nullptr));
    viewWindow_.reset(::CreateWindowExW(0, TextView::kClassName, L"", WS_POPUP | ES_NOHIDESEL, 0, 0, width, height,
                                        nullptr, nullptr, nullptr, &object_));
    edit_ = editWindow_.get();
    view_ = viewWindow_.get();
    ASSERT_NE(edit_, nullptr);
    ASSERT_NE(view_, nullptr);
    ::SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
    ToBoth(WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  }
  // The windows go before their font.
  void TearDown() override {
    viewWindow_.reset();
    editWindow_.reset();
    font_.reset();
  }

  // Sends a message to both and expects the same answer.
  LRESULT Both(UINT msg, WPARAM w = 0, LPARAM l = 0) {
    const LRESULT fromEdit = ::SendMessageW(edit_, msg, w, l);
    const LRESULT fromView = ::SendMessageW(view_, msg, w, l);
    EXPECT_EQ(fromView, fromEdit) << "message 0x" << std::hex << msg << " (" << w << ", " << l << ")";
    return fromEdit;
  }
  // Sends a message to both whose answer means nothing.
  void ToBoth(UINT msg, WPARAM w = 0, LPARAM l = 0) {
    ::SendMessageW(edit_, msg, w, l);
    ::SendMessageW(view_, msg, w, l);
  }
  void SetText(const std::wstring& text) { Both(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); }
  void Select(int start, int end) { ToBoth(EM_SETSEL, static_cast<WPARAM>(start), end); }
  void ReplaceSelection(const std::wstring& text) {
    ToBoth(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void Key(WPARAM key, bool control = false, bool shift = false) {
    PressKey(edit_, key, control, shift);
    PressKey(view_, key, control, shift);
  }

  // Everything the EDIT messages tell, written out so that a difference shows where it is.
  static std::wstring State(HWND w) {
    auto send = [w](UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return ::SendMessageW(w, msg, wp, lp); };
    const auto length = static_cast<int>(send(WM_GETTEXTLENGTH));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(send(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    DWORD start = 0, end = 0;
    const LRESULT packed = send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const auto lines = static_cast<int>(send(EM_GETLINECOUNT));
    std::wstring s = L"text [" + text + L"] length " + std::to_wstring(length) + L" window text length " +
                     std::to_wstring(::GetWindowTextLengthW(w)) + L"\nselection " + std::to_wstring(start) + L"-" +
                     std::to_wstring(end) + L" packed " + std::to_wstring(packed) + L"\nlines " +
                     std::to_wstring(lines) + L", first in sight " + std::to_wstring(send(EM_GETFIRSTVISIBLELINE)) +
                     L", the caret's starts at " + std::to_wstring(send(EM_LINEINDEX, static_cast<WPARAM>(-1))) +
                     L", the selection's start's is " +
                     std::to_wstring(send(EM_LINEFROMCHAR, static_cast<WPARAM>(-1))) + L"\n";
    for (int line = 0; line <= lines; ++line)
      s += L"line " + std::to_wstring(line) + L" starts at " + std::to_wstring(send(EM_LINEINDEX, line)) + L"\n";
    for (int at = 0; at <= length + 1; ++at)
      s += L"character " + std::to_wstring(at) + L": line " + std::to_wstring(send(EM_LINEFROMCHAR, at)) +
           L" of length " + std::to_wstring(send(EM_LINELENGTH, at)) + L"\n";
    return s;
  }
  void ExpectSameState(const std::string& after) {
    EXPECT_EQ(State(view_), State(edit_)) << "after " << after;
  }

  TextView object_;
  win::Font font_;
  win::WindowHandle editWindow_;
  win::WindowHandle viewWindow_;
  HWND edit_ = nullptr;
  HWND view_ = nullptr;
};

const wchar_t* const kTexts[] = {
    L"",
    L"a",
    L"a\r\n",
    L"a\r\nb",
    L"\r\n",
    L"\r\n\r\n",
    L"one\r\ntwo\r\n\r\nthree",
    L"Attribute VB_Name = \"modcaf\u00e9\"\r\n' \u4e2d\U0001F600\r\nPublic Sub Create_caf\u00e9_txt()\r\n",
};

TEST_F(TextViewAsEditTest, SetsGetsAndIndexesTheTextAsAnEditControlDoes) {
  for (const wchar_t* text : kTexts) {
    SetText(text);
    ExpectSameState("setting " + ::testing::PrintToString(std::wstring(text)));
  }
  Both(WM_SETTEXT, 0, 0);  // no text at all: empty
  ExpectSameState("setting a null text");

  // A short buffer takes what fits, terminated; none takes nothing.
  SetText(L"Attribute\r\nEnd");
  for (WPARAM size : {0, 1, 2, 5, 11, 12, 14, 15, 40}) {
    std::vector<wchar_t> fromEdit(41, L'#'), fromView(41, L'#');
    const LRESULT a = ::SendMessageW(edit_, WM_GETTEXT, size, reinterpret_cast<LPARAM>(fromEdit.data()));
    const LRESULT b = ::SendMessageW(view_, WM_GETTEXT, size, reinterpret_cast<LPARAM>(fromView.data()));
    EXPECT_EQ(b, a) << "buffer of " << size;
    EXPECT_EQ(fromView, fromEdit) << "buffer of " << size;
  }
}

TEST_F(TextViewAsEditTest, SelectsAsAnEditControlDoes) {
  SetText(L"0123456789\r\nabcdef\r\n\r\nxyz");
  const struct {
    int start, end;
  } selections[] = {{2, 5}, {7, 3}, {0, -1}, {4, 100}, {-1, 0}, {11, 14}, {12, 12}, {-2, -1},
                    {100, 2}, {5, -7}, {26, 0}, {-1, 3}, {0, 0}};
  for (const auto& s : selections) {
    Select(s.start, s.end);
    ExpectSameState("selecting " + std::to_string(s.start) + ", " + std::to_string(s.end));
    Both(EM_GETSEL);  // the packed answer without the pointers
  }
}

TEST_F(TextViewAsEditTest, ReplacesTheSelectionAsAnEditControlDoes) {
  SetText(L"Public Sub A()\r\nEnd Sub\r\n");
  const struct {
    int start, end;
    const wchar_t* text;
  } steps[] = {
      {7, 10, L"Main"},                  // a word
      {0, 0, L"' first\r\n"},            // before everything
      {-2, -1, L"\r\nSub B()\r\n"},      // after everything: an append
      {12, 30, L""},                     // across lines, by nothing
      {3, 3, L"\r\n"},                   // a line end into a line
      {-2, -1, L"no line end"},          // an append of a part line
      {-2, -1, L" and its rest\r\n"},    // and of its rest
      {0, -1, L"all\r\nnew"},            // everything
      {2, 7, L"\u00e9\u4e2d\U0001F600"},  // beyond ASCII
      {0, -1, L""},                      // to nothing
  };
  for (const auto& s : steps) {
    Select(s.start, s.end);
    ReplaceSelection(s.text);
    ExpectSameState("replacing " + std::to_string(s.start) + ", " + std::to_string(s.end) + " by " +
                    ::testing::PrintToString(std::wstring(s.text)));
  }
}

TEST_F(TextViewAsEditTest, NothingTypedPastedOrClearedChangesTheTextAsInAReadOnlyEditControl) {
  SetText(L"kept\r\nas it is");
  Both(EM_SETREADONLY, TRUE);
  Both(EM_CANUNDO);
  Both(EM_GETMODIFY);
  SetClipboardText(edit_, L"pasted");
  Select(2, 8);
  for (UINT msg : {WM_PASTE, WM_CLEAR, WM_UNDO, EM_UNDO}) {
    ToBoth(msg);
    ExpectSameState("message 0x" + std::to_string(msg));
  }
  for (wchar_t c : {L'x', L'\b', L'\t'}) {
    ToBoth(WM_CHAR, c, 1);
    ExpectSameState("typing " + std::to_string(c));
  }
  for (WPARAM key : {VK_DELETE, VK_BACK}) {
    Key(key);
    ExpectSameState("key " + std::to_string(key));
  }
}

TEST_F(TextViewAsEditTest, CopiesTheSelectionAsAnEditControlDoes) {
  SetText(L"line one\r\n\u00e9\u4e2d\U0001F600\r\nlast");
  const struct {
    int start, end;
  } selections[] = {{0, -1}, {5, 12}, {10, 16}, {20, 8}, {3, 3}};
  for (const auto& s : selections) {
    Select(s.start, s.end);
    std::wstring copied[2];
    HWND windows[] = {edit_, view_};
    for (int i = 0; i < 2; ++i) {
      SetClipboardText(edit_, L"before");
      ::SendMessageW(windows[i], WM_COPY, 0, 0);
      copied[i] = ClipboardText(edit_);
    }
    EXPECT_EQ(copied[1], copied[0]) << "selection " << s.start << ", " << s.end;
  }
}

TEST_F(TextViewAsEditTest, MovesTheCaretByKeyAsAnEditControlDoes) {
  SetText(L"abc\r\ndefgh\r\nij\r\n\r\nklmnopq");
  const struct {
    WPARAM key;
    bool control, shift;
  } keys[] = {{VK_RIGHT, false, false}, {VK_RIGHT, false, false}, {VK_DOWN, false, false},
              {VK_RIGHT, false, false}, {VK_RIGHT, false, false}, {VK_RIGHT, false, false},
              {VK_RIGHT, false, false}, {VK_LEFT, false, false},  {VK_END, false, false},
              {VK_HOME, false, false},  {VK_LEFT, false, false},  {VK_UP, false, false},
              {VK_END, true, false},    {VK_HOME, false, true},   {VK_HOME, true, false},
              {VK_RIGHT, false, true},  {VK_DOWN, false, true},   {VK_END, true, true},
              {VK_HOME, true, false},   {VK_DOWN, false, false},  {VK_DOWN, false, false},
              {VK_DOWN, false, false},  {VK_DOWN, false, false},  {VK_DOWN, false, false}};
  int step = 0;
  for (const auto& k : keys) {
    Key(k.key, k.control, k.shift);
    ExpectSameState("key " + std::to_string(step++));
  }
}

TEST_F(TextViewAsEditTest, ScrollsByLinesAndToTheCaretAsAnEditControlDoes) {
  std::wstring text;
  for (int i = 0; i < 40; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
  SetText(text);
  Both(EM_LINESCROLL, 0, 10);
  ExpectSameState("ten lines down");
  Both(EM_LINESCROLL, 0, -3);
  ExpectSameState("three up");
  Both(EM_LINESCROLL, 0, 1000);
  ExpectSameState("far down");
  Both(EM_LINESCROLL, 0, -1000);
  ExpectSameState("far up");
  for (int code : {SB_LINEDOWN, SB_LINEDOWN, SB_LINEUP}) {
    Both(EM_SCROLL, static_cast<WPARAM>(code));
    ExpectSameState("scroll " + std::to_string(code));
  }
  for (int code : {SB_BOTTOM, SB_LINEUP, SB_TOP, SB_LINEDOWN}) {
    ToBoth(WM_VSCROLL, static_cast<WPARAM>(code));
    ExpectSameState("scroll bar " + std::to_string(code));
  }
  for (int line : {30, 2, 12, 40}) {
    const auto at = static_cast<int>(::SendMessageW(edit_, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
    Select(at, at);
    Both(EM_SCROLLCARET);
    ExpectSameState("showing the caret on line " + std::to_string(line));
  }
}

}  // namespace
}  // namespace quorvel
