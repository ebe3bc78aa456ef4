#include "TextView.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "TextViewTesting.h"

namespace quorvel {
namespace {

// While one lives, allocations of `bytes` or more fail: memory running out, on demand.
class AllocationLimit {
 public:
  explicit AllocationLimit(size_t bytes) { limit.store(bytes); }
  ~AllocationLimit() { limit.store(SIZE_MAX); }
  AllocationLimit(const AllocationLimit&) = delete;
  AllocationLimit& operator=(const AllocationLimit&) = delete;
  static inline std::atomic<size_t> limit{SIZE_MAX};
};

}  // namespace
}  // namespace quorvel

// Every allocation of this test program comes here (the other forms of new come through it).
void* operator new(std::size_t size) {
  if (size >= quorvel::AllocationLimit::limit.load(std::memory_order_relaxed)) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

namespace quorvel {
namespace {

using testing::ClipboardText;
using testing::PressKey;

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD) { ::EndMenu(); }

class TextViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TextView::Register(::GetModuleHandleW(nullptr));
    // The output area's own font.
    font_.reset(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH, L"Fixedsys"));
    window_.reset(::CreateWindowExW(0, TextView::kClassName, L"",
                                    WS_POPUP | WS_VSCROLL | WS_HSCROLL | WS_BORDER | ES_NOHIDESEL, 0, 0, 400, 300,
                                    nullptr, nullptr, nullptr, &object_));
    view_ = window_.get();
    ASSERT_NE(view_, nullptr);
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), 0);
    win::ScopedGetDC dc(view_);
    win::ScopedSelectObject selected(dc, font_.get());
    ::GetTextMetricsW(dc, &tm_);
    SIZE x{};
    ::GetTextExtentPoint32W(dc, L"x", 1, &x);
    charWidth_ = x.cx;
  }
  // The window goes before its font.
  void TearDown() override {
    window_.reset();
    font_.reset();
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
  void Key(WPARAM key, bool control = false, bool shift = false) const { PressKey(view_, key, control, shift); }
  // Opens the context menu at `where` (-1, -1: from the keyboard) and picks the item with that
  // mnemonic: the menu's own loop takes the key waiting in the queue. Should the menu not take
  // it, a timer closes the menu.
  void ChooseFromContextMenu(wchar_t mnemonic, LPARAM where) const {
    ::PostMessageW(view_, WM_CHAR, mnemonic, 1);
    const UINT_PTR guard = ::SetTimer(nullptr, 0, 5000, &CloseMenu);
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view_), where);
    ::KillTimer(nullptr, guard);
    MSG left;
    while (::PeekMessageW(&left, view_, WM_CHAR, WM_CHAR, PM_REMOVE)) ADD_FAILURE() << "the menu left its key";
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
    const win::Bitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const win::Dc dc(::CreateCompatibleDC(nullptr));
    const win::ScopedSelectObject selected(dc.get(), bitmap.get());
    Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    ::GdiFlush();
    std::vector<COLORREF> pixels;
    const auto* p = static_cast<const std::uint32_t*>(bits);
    for (LONG i = 0; i < client.right * client.bottom; ++i)
      pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    return pixels;
  }

  TextView object_;
  win::Font font_;
  win::WindowHandle window_;
  HWND view_ = nullptr;
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

TEST_F(TextViewTest, PastSixteenBitsTheSelectionIsToldThroughThePointersOnly) {
  SetText(std::wstring(70000, L'x'));
  Send(EM_SETSEL, 10, 69000);
  EXPECT_EQ(Send(EM_GETSEL), -1);  // the packed answer gives up
  EXPECT_EQ(Selection(), std::make_pair(10ul, 69000ul));
  Send(EM_SETSEL, 10, 65535);
  EXPECT_EQ(Send(EM_GETSEL), MAKELRESULT(10, 65535));
}

TEST_F(TextViewTest, CopyAndSelectAllByKeysAndContextMenuPutTheExactTextOnTheClipboard) {
  const std::wstring text = L"line one\r\n\u00e9\u4e2d\U0001F600\nlast";
  SetText(text);
  ::ShowWindow(view_, SW_SHOWNOACTIVATE);
  const DWORD all = static_cast<DWORD>(text.size());
  const LPARAM inView = MAKELPARAM(40, 40);  // screen pixels; the view's corner is the screen's

  Key('A', true);
  EXPECT_EQ(Selection(), std::make_pair(0ul, all));
  Send(WM_COPY);
  EXPECT_EQ(ClipboardText(view_), text);

  Send(EM_SETSEL, 10, 14);
  Key('C', true);
  EXPECT_EQ(ClipboardText(view_), L"\u00e9\u4e2d\U0001F600");
  Send(EM_SETSEL, 0, 4);
  Key(VK_INSERT, true);
  EXPECT_EQ(ClipboardText(view_), L"line");

  Send(EM_SETSEL, 5, 8);
  ChooseFromContextMenu(L'c', inView);
  EXPECT_EQ(ClipboardText(view_), L"one");
  ChooseFromContextMenu(L'a', inView);
  EXPECT_EQ(Selection(), std::make_pair(0ul, all));
  ChooseFromContextMenu(L'c', MAKELPARAM(-1, -1));  // the menu key: the menu at the caret
  EXPECT_EQ(ClipboardText(view_), text);

  object_.SetSelection(9, 2);
  object_.SelectAll();
  EXPECT_EQ(Selection(), std::make_pair(0ul, all));
  EXPECT_TRUE(object_.CopySelection());
  EXPECT_EQ(ClipboardText(view_), text);
  object_.SetSelection(3, 3);
  EXPECT_FALSE(object_.CopySelection());  // nothing selected: the clipboard keeps its text
  EXPECT_EQ(ClipboardText(view_), text);
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

TEST_F(TextViewTest, EitherThumbReachesPositionsPastSixteenBits) {
  // The message carries 16 bits of the thumb's place; the bar holds all of it.
  std::wstring text = std::wstring(20000, L'W') + L"\r\n";  // wider than 65,535 pixels
  for (int i = 0; i < 70000; ++i) text += L"x\r\n";
  SetText(text);
  ASSERT_EQ(Send(EM_GETLINECOUNT), 70002);

  for (const int code : {SB_THUMBTRACK, SB_THUMBPOSITION}) {
    for (const int bar : {SB_VERT, SB_HORZ}) {
      const int to = bar == SB_VERT ? 69000 - code : 100000 - code;
      SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, to, 0};
      ::SetScrollInfo(view_, bar, &si, FALSE);
      Send(bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(to)));
      EXPECT_EQ(Bar(bar).nPos, to) << "bar " << bar << ", code " << code;
    }
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 69000 - code);
  }
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

// The parent a view tells of memory running out, as an edit control tells its parent.
struct Parent {
  static inline std::vector<std::pair<WPARAM, LPARAM>> commands;
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) commands.emplace_back(wParam, lParam);
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
};

TEST_F(TextViewTest, MemoryRunningOutLeavesTheTextAndTellsTheParentOfIt) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &Parent::Proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QuorvelTextViewTestParent";
  ::RegisterClassW(&wc);
  HWND parent = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr,
                                  nullptr);
  ASSERT_NE(parent, nullptr);
  constexpr int kId = 1017;
  TextView child;
  HWND view = ::CreateWindowExW(0, TextView::kClassName, L"kept\r\n", WS_CHILD | WS_VSCROLL, 0, 0, 300, 200, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), nullptr, &child);
  ASSERT_NE(view, nullptr);
  ::SendMessageW(view, EM_SETSEL, 1, 3);
  const std::wstring more(1 << 20, L'x');  // two megabytes of text, more than the limit below
  Parent::commands.clear();
  Parent::commands.reserve(8);

  LRESULT setText = TRUE;
  bool appendThrew = false;
  {
    AllocationLimit limit(1 << 20);
    ::SendMessageW(view, EM_SETSEL, static_cast<WPARAM>(-2), -1);  // an append, by messages
    ::SendMessageW(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(more.c_str()));
    setText = ::SendMessageW(view, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(more.c_str()));
    try {
      child.Append(more);  // the program's own call throws instead
    } catch (const std::bad_alloc&) {
      appendThrew = true;
    }
  }
  const std::pair<WPARAM, LPARAM> errSpace{MAKEWPARAM(kId, EN_ERRSPACE), reinterpret_cast<LPARAM>(view)};
  EXPECT_EQ(Parent::commands, (std::vector<std::pair<WPARAM, LPARAM>>{errSpace, errSpace}));
  EXPECT_EQ(setText, FALSE);
  EXPECT_TRUE(appendThrew);
  EXPECT_EQ(child.Text(), L"kept\r\n");
  EXPECT_EQ(::SendMessageW(view, EM_GETLINECOUNT, 0, 0), 2);
  EXPECT_EQ(::SendMessageW(view, EM_GETSEL, 0, 0), MAKELRESULT(6, 6));

  // With the memory back the same append goes through.
  ::SendMessageW(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(more.c_str()));
  EXPECT_EQ(child.Length(), 6 + more.size());
  ::DestroyWindow(parent);
}

}  // namespace
}  // namespace quorvel
