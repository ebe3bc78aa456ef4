#include "Window.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

#include "Gdi.h"

namespace quorvel::win {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// GetDpiForWindow exists from Windows 10 on; older systems have one DPI for the screen.
GetDpiForWindowFn DpiForWindowFunction() {
  static const auto fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return fn;
}

int ScreenDpi() {
  ScopedGetDC dc(nullptr);
  const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

bool TakesFocus(const ControlRow& row) {
  if (row.tabIndex < 0 || !row.className) return false;
  if (::lstrcmpiW(row.className, WC_STATICW) == 0) return false;
  if (::lstrcmpiW(row.className, WC_BUTTONW) == 0 && (row.style & BS_TYPEMASK) == BS_GROUPBOX) return false;
  return true;
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

int WindowDpi(HWND hwnd) {
  if (hwnd) {
    if (const auto fn = DpiForWindowFunction()) {
      const UINT dpi = fn(hwnd);
      if (dpi) return static_cast<int>(dpi);
    }
  }
  return ScreenDpi();
}

Font CreatePointFont(const FontRow& spec, int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  LOGFONTW lf{};
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    lf = metrics.lfMessageFont;
    // The system reports the message font for the screen DPI; rescale to the window's.
    const int screen = ScreenDpi();
    if (screen != dpi) lf.lfHeight = ::MulDiv(lf.lfHeight, dpi, screen);
  } else {
    lf.lfHeight = -::MulDiv(8, dpi, 72);
    lf.lfCharSet = DEFAULT_CHARSET;
  }
  if (spec.face) {
    ::lstrcpynW(lf.lfFaceName, spec.face, LF_FACESIZE);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfPitchAndFamily = spec.fixedPitch ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH | FF_DONTCARE;
  }
  if (spec.points > 0) lf.lfHeight = -static_cast<LONG>(std::lround(spec.points * dpi / 72.0));
  lf.lfWidth = 0;
  lf.lfWeight = spec.weight;
  lf.lfItalic = FALSE;
  lf.lfUnderline = spec.underline ? TRUE : FALSE;
  lf.lfStrikeOut = FALSE;
  lf.lfQuality = DEFAULT_QUALITY;
  return Font(::CreateFontIndirectW(&lf));
}

RECT ControlRect(std::span<const ControlRow> table, size_t index, int dpi) {
  int left = table[index].left;
  int top = table[index].top;
  // Guard against a container cycle in a broken table.
  size_t guard = table.size();
  for (int c = table[index].container; c >= 0 && guard-- > 0; c = table[static_cast<size_t>(c)].container) {
    left += table[static_cast<size_t>(c)].left;
    top += table[static_cast<size_t>(c)].top;
  }
  RECT r;
  r.left = TwipsToPixels(left, dpi);
  r.top = TwipsToPixels(top, dpi);
  r.right = r.left + TwipsToPixels(table[index].width, dpi);
  r.bottom = r.top + TwipsToPixels(table[index].height, dpi);
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
    HWND hwnd = ::CreateWindowExW(0, row.className, row.text ? row.text : L"", style, r.left, r.top,
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
  return out;
}

SIZE WindowSizeForClient(DWORD style, DWORD exStyle, int clientWidthTwips, int clientHeightTwips, int dpi) {
  RECT r{0, 0, TwipsToPixels(clientWidthTwips, dpi), TwipsToPixels(clientHeightTwips, dpi)};
  ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace quorvel::win
