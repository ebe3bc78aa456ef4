#include "TextView.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>


namespace quorvel {
namespace {

class TextViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TextView::Register(::GetModuleHandleW(nullptr));
    // The output area's own font.
    font_ = ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH, L"Fixedsys");
    view_ = ::CreateWindowExW(0, TextView::kClassName, L"", WS_POPUP | WS_VSCROLL | WS_HSCROLL | WS_BORDER | ES_NOHIDESEL,
                              0, 0, 400, 300, nullptr, nullptr, nullptr, &object_);
    ASSERT_NE(view_, nullptr);
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
    HDC dc = ::GetDC(view_);
    HGDIOBJ old = ::SelectObject(dc, font_);
    ::GetTextMetricsW(dc, &tm_);
    SIZE x{};
    ::GetTextExtentPoint32W(dc, L"x", 1, &x);
    charWidth_ = x.cx;
    ::SelectObject(dc, old);
    ::ReleaseDC(view_, dc);
  }
  void TearDown() override {
    ::DestroyWindow(view_);
    ::DeleteObject(font_);
  }
  long Length() const { return static_cast<long>(object_.Length()); }

  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageW(view_, msg, w, l); }
  void SetText(const std::wstring& text) const { Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); }
  void ReplaceSel(const std::wstring& text) const { Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str())); }
  void AppendByMessages(const std::wstring& text) const {
    Send(EM_SETSEL, static_cast<WPARAM>(-2), -1);  // a negative start other than -1: the end
    ReplaceSel(text);
  }
  std::wstring Text() const {
    std::wstring text(static_cast<size_t>(Send(WM_GETTEXTLENGTH)) + 1, L'\0');
    text.resize(static_cast<size_t>(Send(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
  }
  std::pair<DWORD, DWORD> Selection() const {
    DWORD start = 0, end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  LPARAM At(int column, int row) const {
    return MAKELPARAM(2 + column * charWidth_ + 1, row * tm_.tmHeight + tm_.tmHeight / 2);
  }
  // Presses a key with the given modifiers held, as the thread's keyboard state tells.
  void Key(WPARAM key, bool control = false, bool shift = false) const {
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    state[VK_CONTROL] = control ? 0x80 : 0;
    state[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(state);
    Send(WM_KEYDOWN, key, 0);
    state[VK_CONTROL] = state[VK_SHIFT] = 0;
    ::SetKeyboardState(state);
  }
  SCROLLINFO Bar(int bar) const {
    SCROLLINFO si{sizeof(si), SIF_ALL};
    ::GetScrollInfo(view_, bar, &si);
    return si;
  }
  // The client area as painted, one COLORREF a pixel, row by row.
  std::vector<COLORREF> Picture(RECT& client) const {
    ::GetClientRect(view_, &client);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::GdiFlush();
    std::vector<COLORREF> pixels;
    const auto* p = static_cast<const std::uint32_t*>(bits);
    for (LONG i = 0; i < client.right * client.bottom; ++i)
      pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(bitmap);
    return pixels;
  }

  TextView object_;
  HWND view_ = nullptr;
  HFONT font_ = nullptr;
  TEXTMETRICW tm_{};
  int charWidth_ = 8;
};

TEST_F(TextViewTest, TheViewAndItsWindowEndTogetherWhicheverGoesFirst) {
  auto make = [](TextView& view) {
    return ::CreateWindowExW(0, TextView::kClassName, L"start", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                             &view);
  };
  HWND window = nullptr;
  {
    TextView view;
    window = make(view);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(view.hwnd(), window);
    EXPECT_EQ(view.Text(), L"start");  // the window's text is the view's first text
  }
  EXPECT_FALSE(::IsWindow(window));

  TextView view;
  window = make(view);
  ASSERT_NE(window, nullptr);
  ::DestroyWindow(window);
  EXPECT_EQ(view.hwnd(), nullptr);
  view.Append(L" and more");  // the text outlives its window
  EXPECT_EQ(view.Text(), L"start and more");
}

TEST_F(TextViewTest, KeepsTheTextExactlyThroughSetAppendTruncateAndGet) {
  const std::wstring mixed = L"Attribute VB_Name = \"moda\"\r\nlone LF\nlone CR\rcaf\u00e9 \u4e2d\U0001F600\r\n";
  SetText(mixed);
  EXPECT_EQ(Text(), mixed);
  EXPECT_EQ(Send(WM_GETTEXTLENGTH), static_cast<LRESULT>(mixed.size()));

  // A CRLF split between two appends, and a piece with no line end at all.
  AppendByMessages(L"Call WriteBytes(\"00\r");
  AppendByMessages(L"\nEnd Sub");
  EXPECT_EQ(Text(), mixed + L"Call WriteBytes(\"00\r\nEnd Sub");
  EXPECT_EQ(Send(EM_GETLINECOUNT), 6);

  const long mark = Length();
  object_.Append(L"\r\nmore\r\n\r\n");
  EXPECT_EQ(Send(EM_GETLINECOUNT), 9);
  object_.TruncateTo(mark);
  EXPECT_EQ(object_.Text(), mixed + L"Call WriteBytes(\"00\r\nEnd Sub");
  EXPECT_EQ(Send(EM_GETLINECOUNT), 6);

  // A short buffer gets what fits, always terminated.
  wchar_t small[5];
  EXPECT_EQ(Send(WM_GETTEXT, 5, reinterpret_cast<LPARAM>(small)), 4);
  EXPECT_STREQ(small, L"Attr");
  EXPECT_EQ(::GetWindowTextLengthW(view_), static_cast<int>(Length()));

  SetText(L"");
  EXPECT_EQ(Text(), L"");
  EXPECT_EQ(Send(EM_GETLINECOUNT), 1);
}

TEST_F(TextViewTest, CountsLinesAsAnEditControlDoes) {
  const struct {
    const wchar_t* text;
    LRESULT lines;
  } cases[] = {{L"", 1}, {L"a", 1}, {L"a\r\n", 2}, {L"a\r\nb", 2}, {L"a\rb\nc\r\nd", 4},
               {L"a\n\rb", 3}, {L"\r\n\r\n", 3}, {L"\r\r\n\n", 4}};
  for (const auto& c : cases) {
    SetText(c.text);
    EXPECT_EQ(Send(EM_GETLINECOUNT), c.lines) << c.text;
  }
  SetText(L"one\r\ntwo\nthree");
  EXPECT_EQ(Send(EM_LINEINDEX, 1), 5);
  EXPECT_EQ(Send(EM_LINEINDEX, 2), 9);
  EXPECT_EQ(Send(EM_LINEINDEX, 3), -1);
  EXPECT_EQ(Send(EM_LINELENGTH, 6), 3);
  EXPECT_EQ(Send(EM_LINEFROMCHAR, 4), 0);  // the LF of a CRLF belongs to its line
  EXPECT_EQ(Send(EM_LINEFROMCHAR, 9), 2);
}

TEST_F(TextViewTest, SelectionMessagesBehaveAsAnEditControls) {
  SetText(L"0123456789\r\nabcdef");
  EXPECT_EQ(Selection(), std::make_pair(0ul, 0ul));  // new text: caret at the start

  Send(EM_SETSEL, 2, 5);
  EXPECT_EQ(Selection(), std::make_pair(2ul, 5ul));
  EXPECT_EQ(Send(EM_GETSEL), MAKELRESULT(2, 5));
  Send(EM_SETSEL, 7, 3);  // backwards: the lower one starts it
  EXPECT_EQ(Selection(), std::make_pair(3ul, 7ul));
  Send(EM_SETSEL, 0, -1);
  EXPECT_EQ(Selection(), std::make_pair(0ul, 18ul));
  Send(EM_SETSEL, 4, 100);  // past the end: the end
  EXPECT_EQ(Selection(), std::make_pair(4ul, 18ul));
  Send(EM_SETSEL, static_cast<WPARAM>(-1), 0);  // -1 drops the selection, the caret stays
  EXPECT_EQ(Selection(), std::make_pair(18ul, 18ul));

  Send(EM_SETSEL, 2, 8);
  ReplaceSel(L"--");
  EXPECT_EQ(Text(), L"01--89\r\nabcdef");
  EXPECT_EQ(Selection(), std::make_pair(4ul, 4ul));

  // Past 65,535 the packed answer gives up; the pointers still tell.
  SetText(std::wstring(70000, L'x'));
  Send(EM_SETSEL, 10, 69000);
  EXPECT_EQ(Send(EM_GETSEL), -1);
  EXPECT_EQ(Selection(), std::make_pair(10ul, 69000ul));
}

TEST_F(TextViewTest, SelectAllAndCopyPutTheExactTextOnTheClipboard) {
  const std::wstring text = L"line one\r\n\u00e9\u4e2d\nlast";
  SetText(text);
  Key('A', true);
  EXPECT_EQ(Selection(), std::make_pair(0ul, static_cast<DWORD>(text.size())));
  Send(WM_COPY);
  ASSERT_TRUE(::OpenClipboard(view_));
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(::GlobalLock(data))), text);
  ::GlobalUnlock(data);
  ::EmptyClipboard();
  ::CloseClipboard();

  Send(EM_SETSEL, 10, 12);
  Key('C', true);
  ASSERT_TRUE(::OpenClipboard(view_));
  data = ::GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(::GlobalLock(data))), L"\u00e9\u4e2d");
  ::GlobalUnlock(data);
  ::CloseClipboard();

  object_.SelectAll();
  EXPECT_EQ(Selection(), std::make_pair(0ul, static_cast<DWORD>(text.size())));
}

TEST_F(TextViewTest, ScrollsThroughFarMoreLinesThanSixteenBitsCount) {
  const std::wstring line = L"Call WriteBytes(\"" + std::wstring(64, L'A') + L"\")\r\n";
  std::wstring batch;
  for (int i = 0; i < 1000; ++i) batch += line;
  for (int i = 0; i < 70; ++i) object_.Append(batch);
  EXPECT_EQ(Send(EM_GETLINECOUNT), 70001);

  SCROLLINFO v = Bar(SB_VERT);
  EXPECT_EQ(v.nMax, 70000);
  const int page = static_cast<int>(v.nPage);
  EXPECT_GT(page, 5);
  Send(WM_VSCROLL, SB_BOTTOM);
  EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 70001 - page);
  EXPECT_EQ(Bar(SB_VERT).nPos, 70001 - page);
  Send(EM_LINESCROLL, 0, -1000);
  EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 69001 - page);
  Send(WM_VSCROLL, SB_TOP);
  EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 0);

  // The wheel turns a few lines a notch; Ctrl+End takes the caret and the view to the end.
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_GT(Send(EM_GETFIRSTVISIBLELINE), 0);
  Key(VK_END, true);
  EXPECT_EQ(Selection().second, static_cast<DWORD>(Length()));
  EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 70001 - page);

  // The lines are wider than the view: the horizontal bar reaches their end.
  SCROLLINFO h = Bar(SB_HORZ);
  EXPECT_GE(h.nMax, static_cast<int>(line.size() - 2) * tm_.tmAveCharWidth);
  Send(WM_HSCROLL, SB_RIGHT);
  EXPECT_EQ(Bar(SB_HORZ).nPos, h.nMax + 1 - static_cast<int>(h.nPage));
}

TEST_F(TextViewTest, KeyboardMovesTheCaretByCharacterLineAndPage) {
  SetText(L"abc\r\ndefgh\r\nij");
  Key(VK_RIGHT);
  Key(VK_RIGHT);
  Key(VK_DOWN);
  EXPECT_EQ(Selection(), std::make_pair(7ul, 7ul));  // same column, next line
  Key(VK_DOWN);
  EXPECT_EQ(Selection(), std::make_pair(14ul, 14ul));  // the short last line: its end
  Key(VK_HOME);
  EXPECT_EQ(Selection(), std::make_pair(12ul, 12ul));
  Key(VK_LEFT);  // over a CRLF in one step
  EXPECT_EQ(Selection(), std::make_pair(10ul, 10ul));
  Key(VK_HOME, true, true);
  EXPECT_EQ(Selection(), std::make_pair(0ul, 10ul));
  Key(VK_RIGHT);  // a plain move ends the selection at its end
  EXPECT_EQ(Selection(), std::make_pair(10ul, 10ul));
  Key(VK_NEXT);
  EXPECT_EQ(Selection(), std::make_pair(14ul, 14ul));
}

TEST_F(TextViewTest, MouseSelectsByClickDragShiftClickAndDoubleClick) {
  SetText(L"Public Sub modx_Part1()\r\nCall WriteBytes(\"00FF\")\r\nEnd Sub");
  Send(WM_LBUTTONDOWN, MK_LBUTTON, At(7, 0));
  Send(WM_MOUSEMOVE, MK_LBUTTON, At(4, 1));
  Send(WM_LBUTTONUP, 0, At(4, 1));
  EXPECT_EQ(Selection(), std::make_pair(7ul, 29ul));

  Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, At(3, 2));
  Send(WM_LBUTTONUP, 0, At(3, 2));
  EXPECT_EQ(Selection(), std::make_pair(7ul, 53ul));

  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, At(13, 0));
  EXPECT_EQ(Selection(), std::make_pair(11ul, 21ul));  // "modx_Part1"
}

TEST_F(TextViewTest, PaintsTextOnWhiteAndMarksTheSelection) {
  RECT client;
  SetText(L"");
  std::vector<COLORREF> empty = Picture(client);
  for (COLORREF c : empty) ASSERT_EQ(c, ::GetSysColor(COLOR_WINDOW));

  SetText(L"#####\r\n#####");
  auto rowHas = [&](const std::vector<COLORREF>& pixels, int row, COLORREF color) {
    for (int y = row * tm_.tmHeight; y < (row + 1) * tm_.tmHeight; ++y)
      for (int x = 0; x < client.right; ++x)
        if (pixels[static_cast<size_t>(y * client.right + x)] == color) return true;
    return false;
  };
  std::vector<COLORREF> plain = Picture(client);
  EXPECT_TRUE(rowHas(plain, 0, ::GetSysColor(COLOR_WINDOWTEXT)));
  EXPECT_TRUE(rowHas(plain, 1, ::GetSysColor(COLOR_WINDOWTEXT)));
  EXPECT_FALSE(rowHas(plain, 2, ::GetSysColor(COLOR_WINDOWTEXT)));
  EXPECT_FALSE(rowHas(plain, 0, ::GetSysColor(COLOR_HIGHLIGHT)));

  Send(EM_SETSEL, 9, 11);
  std::vector<COLORREF> marked = Picture(client);
  EXPECT_FALSE(rowHas(marked, 0, ::GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_TRUE(rowHas(marked, 1, ::GetSysColor(COLOR_HIGHLIGHT)));

  // One line of millions of characters and a view scrolled far right paint as quickly.
  SetText(std::wstring(3'000'000, L'#') + L"\r\nend");
  Send(WM_HSCROLL, SB_RIGHT);
  std::vector<COLORREF> right = Picture(client);
  EXPECT_TRUE(rowHas(right, 0, ::GetSysColor(COLOR_WINDOWTEXT)));
}

TEST_F(TextViewTest, HoldsFarMoreThanAnEditControlsDefaultLimitAndTruncatesBackToAMark) {
  const std::wstring line = L"Call WriteBytes(\"" + std::wstring(64, L'A') + L"\")\r\n";
  std::wstring batch;
  for (int i = 0; i < 200; ++i) batch += line;
  object_.Append(L"first\r\n");
  const size_t mark = object_.Length();
  for (int i = 0; i < 10; ++i) object_.Append(batch);
  EXPECT_EQ(object_.Length(), 7 + 2000 * line.size());
  EXPECT_EQ(Send(EM_GETLIMITTEXT), 0x7FFFFFFE);
  object_.TruncateTo(mark);
  EXPECT_EQ(Text(), L"first\r\n");
  EXPECT_EQ(Send(EM_GETLINECOUNT), 2);
}

TEST_F(TextViewTest, MemoryThatCannotBeHadLeavesTheTextAsItWas) {
  SetText(L"kept\r\n");
  EXPECT_THROW(object_.Reserve(TextBuffer::kMaxLength, 0), std::bad_alloc);
  // Line starts for 2^46 lines need 256 TiB, beyond any 64-bit address space; just under
  // 2 GiB in one piece is beyond a 32-bit one.
  constexpr size_t kLinesNoAddressSpaceHolds = sizeof(size_t) == 8 ? size_t(1) << (sizeof(size_t) * 8 - 18) : 0x1FFFFFF0;
  EXPECT_THROW(object_.Reserve(0, kLinesNoAddressSpaceHolds), std::bad_alloc);
  EXPECT_EQ(Text(), L"kept\r\n");
  object_.Reserve(1 << 21, 1 << 15);  // a megabyte's module is no trouble
  object_.Append(L"more");
  EXPECT_EQ(Text(), L"kept\r\nmore");
}

}  // namespace
}  // namespace quorvel
