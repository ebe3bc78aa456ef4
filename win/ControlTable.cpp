#include "ControlTable.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

#include "Dpi.h"

namespace quorvel::win {
namespace {

bool IsClass(const ControlRow& row, const wchar_t* className) {
  return row.className && ::lstrcmpiW(row.className, className) == 0;
}

bool IsFrame(const ControlRow& row) {
  return IsClass(row, WC_BUTTONW) && (row.style & BS_TYPEMASK) == BS_GROUPBOX;
}

bool TakesFocus(const ControlRow& row) {
  if (row.tabIndex < 0 || !row.tabStop || !row.className) return false;
  return !IsClass(row, WC_STATICW) && !IsFrame(row);
}

// A frame paints only its edge and caption; with the form clipping its children nobody
// would paint the frame's inside, so the frame erases it itself.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_ERASEBKGND) {
    RECT r;
    ::GetClientRect(hwnd, &r);
    ::FillRect(reinterpret_cast<HDC>(wParam), &r, ::GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, &FrameProc, 0);
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

void AddTooltip(HWND tooltip, HWND parent, HWND control, const RECT& rect, int id, const wchar_t* text) {
  TTTOOLINFOW info{};
  // The V2 size is understood by every comctl32, with or without visual styles.
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = parent;
  info.lpszText = const_cast<wchar_t*>(text);
  if (control) {
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.uId = reinterpret_cast<UINT_PTR>(control);
  } else {
    // A painted label: the tool is its rectangle on the owner.
    info.uFlags = TTF_SUBCLASS;
    info.uId = static_cast<UINT_PTR>(id);
    info.rect = rect;
  }
  ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace

Font CreatePointFont(const FontRow& font, int dpi) {
  if (font.guiFont) {
    LOGFONTW gui{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(gui), &gui);
    return Font(::CreateFontIndirectW(&gui));
  }
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  LOGFONTW lf{};
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    lf = metrics.lfMessageFont;
    // The system reports the message font for the screen DPI; rescale to the window's.
    const int screen = WindowDpi(nullptr);
    if (screen != dpi) lf.lfHeight = ::MulDiv(lf.lfHeight, dpi, screen);
  } else {
    lf.lfHeight = -::MulDiv(8, dpi, 72);
    lf.lfCharSet = DEFAULT_CHARSET;
  }
  if (font.face) {
    ::lstrcpynW(lf.lfFaceName, font.face, LF_FACESIZE);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfPitchAndFamily = font.fixedPitch ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH | FF_DONTCARE;
  }
  if (font.points > 0) lf.lfHeight = -static_cast<LONG>(std::lround(font.points * dpi / 72.0));
  lf.lfWidth = 0;
  lf.lfWeight = font.weight;
  lf.lfItalic = FALSE;
  lf.lfUnderline = font.underline ? TRUE : FALSE;
  lf.lfStrikeOut = FALSE;
  lf.lfQuality = DEFAULT_QUALITY;
  return Font(::CreateFontIndirectW(&lf));
}

RECT ControlRect(std::span<const ControlRow> table, size_t index, int dpi) {
  int left = table[index].place.left;
  int top = table[index].place.top;
  // Guard against a container cycle in a broken table.
  size_t guard = table.size();
  for (int c = table[index].container; c >= 0 && guard-- > 0; c = table[static_cast<size_t>(c)].container) {
    left += table[static_cast<size_t>(c)].place.left;
    top += table[static_cast<size_t>(c)].place.top;
  }
  RECT r;
  r.left = TwipsToPixels(left, dpi);
  r.top = TwipsToPixels(top, dpi);
  r.right = r.left + TwipsToPixels(table[index].place.width, dpi);
  r.bottom = r.top + TwipsToPixels(table[index].place.height, dpi);
  return r;
}

CreatedControls CreateControls(HWND parent, HINSTANCE instance, std::span<const ControlRow> table,
                               const FontRow& standardFont, std::span<void* const> createParams) {
  const int dpi = WindowDpi(parent);
  CreatedControls out;
  out.windows.assign(table.size(), nullptr);
  out.fonts.reserve(table.size());

  for (size_t i = 0; i < table.size(); ++i) {
    const ControlRow& row = table[i];
    out.fonts.push_back(CreatePointFont(row.font.face ? row.font : standardFont, dpi));
    if (!row.className) continue;
    const RECT r = ControlRect(table, i, dpi);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | row.style;
    if (TakesFocus(row)) style |= WS_TABSTOP;
    HWND hwnd = ::CreateWindowExW(row.exStyle, row.className, row.text ? row.text : L"", style, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance,
                                  i < createParams.size() ? createParams[i] : nullptr);
    out.windows[i] = hwnd;
    if (hwnd) ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(out.fonts.back().get()), FALSE);
  }

  // Sibling order is the Tab order: ascending tabIndex, rows without one after the rest.
  std::vector<size_t> order(table.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const int ta = table[a].tabIndex < 0 ? INT_MAX : table[a].tabIndex;
    const int tb = table[b].tabIndex < 0 ? INT_MAX : table[b].tabIndex;
    return ta < tb;
  });
  HWND previous = HWND_TOP;
  for (size_t i : order) {
    HWND hwnd = out.windows[i];
    if (!hwnd) continue;
    ::SetWindowPos(hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    previous = hwnd;
  }

  const bool anyTooltip = std::any_of(table.begin(), table.end(), [](const ControlRow& r) { return r.tooltip; });
  if (anyTooltip) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    out.tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                                    instance, nullptr);
    if (out.tooltip) {
      for (size_t i = 0; i < table.size(); ++i) {
        if (!table[i].tooltip) continue;
        AddTooltip(out.tooltip, parent, out.windows[i], ControlRect(table, i, dpi), table[i].id, table[i].tooltip);
      }
    }
  }

  // A frame lies beneath the controls it holds, and beneath the frames inside it, whatever
  // the Tab order says.
  for (size_t i = table.size(); i-- > 0;) {
    if (!IsFrame(table[i]) || !out.windows[i]) continue;
    ::SetWindowPos(out.windows[i], HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowSubclass(out.windows[i], &FrameProc, 0, 0);
  }
  return out;
}

std::wstring WindowText(HWND control) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool IsChecked(HWND button) { return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND button, bool checked) {
  ::SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace quorvel::win
