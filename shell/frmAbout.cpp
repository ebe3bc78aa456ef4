#include "frmAbout.h"

#include <objbase.h>
#include <olectl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "App.h"
#include "Gdi.h"
#include "MessageLoop.h"
#include "Raii.h"
#include "Res.h"
#include "Resource.h"
#include "ScopedComInit.h"
#include "ShellExec.h"
#include "WavPlay.h"

namespace quorvel {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kClientWidth = 4710;   // twips
constexpr int kClientHeight = 2205;  // twips
constexpr COLORREF kLinkColor = RGB(0, 0, 255);

// The window's controls in twips. None is a window of its own: the picture and the labels
// are painted on the window's surface.
constexpr win::ControlRow kControls[] = {
    {.name = L"Image1", .id = 1001, .place = {180, 120, 1995, 1575}, .tooltip = L"That's the author."},
    {.name = L"Label1", .id = 1002, .text = L"Quorvel", .place = {2280, 120, 2250, 570}, .tabIndex = 0,
     .font = {.face = L"Comic Sans MS", .points = 20.25, .weight = FW_BOLD}},
    {.name = L"lvlVersion", .id = 1003, .text = L"version", .place = {3120, 900, 525, 195}, .tabIndex = 1},
    {.name = L"Label3", .id = 1004, .text = L"by", .place = {3300, 1260, 195, 195}, .tabIndex = 3},
    {.name = L"Label2", .id = 1005, .text = L"The Quorvel team", .place = {2250, 1500, 2415, 195}, .tabIndex = 2},
    {.name = L"Label4", .id = 1006, .text = frmAbout::kWebPage, .place = {60, 1800, 4575, 315}, .tabIndex = 4,
     .font = {.face = L"Times New Roman", .points = 14.25, .weight = FW_BOLD, .underline = true},
     .tooltip = L"Click here to visit our website."},
};
static_assert(std::size(kControls) == frmAbout::kRows);

constexpr win::FontRow kStandardFont{.face = L"MS Sans Serif", .points = 8.25};
constexpr UINT kLabelFormat = DT_CENTER | DT_NOPREFIX | DT_WORDBREAK;

}  // namespace

void frmAbout::Show(HWND owner) {
  const win::ScopedComInit com(win::ScopedComInit::kCom);  // the picture is loaded through OLE
  frmAbout window;
  if (window.Create(owner)) window.ShowModal();
}

void frmAbout::ShowModal() {
  if (!hwnd_) return;
  if (owner_ && ::IsWindowEnabled(owner_)) {
    ::EnableWindow(owner_, FALSE);
    ownerDisabled_ = true;
  }
  ::ShowWindow(hwnd_, SW_SHOW);
  ::UpdateWindow(hwnd_);
  // A request to end the program closes the window too; the program's own loop still sees it.
  win::RunModalLoop(hwnd_);
  if (hwnd_) {
    if (ownerDisabled_) ::EnableWindow(owner_, TRUE);
    ownerDisabled_ = false;
    ::DestroyWindow(hwnd_);
  }
}

frmAbout::~frmAbout() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool frmAbout::Register(HINSTANCE instance) {
  return RegisterClassOnce(instance, kClassName, ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUORVEL)));
}

bool frmAbout::Create(HWND owner) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!Register(instance)) return false;
  owner_ = owner;
  return ::CreateWindowExW(kExStyle, kClassName, L"About Quorvel", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 320, 200,
                           owner, nullptr, instance, this) != nullptr;
}

bool frmAbout::OnCreate(const CREATESTRUCTW&) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUORVEL))) {
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  // A fixed dialog frame: the system menu offers moving and closing only.
  if (HMENU menu = ::GetSystemMenu(hwnd_, FALSE)) {
    for (UINT item : {SC_MAXIMIZE, SC_MINIMIZE, SC_SIZE, SC_RESTORE}) ::DeleteMenu(menu, item, MF_BYCOMMAND);
  }

  const int dpi = win::WindowDpi(hwnd_);
  const SIZE size = win::WindowSizeForClient(kStyle, kExStyle, kClientWidth, kClientHeight, dpi);
  RECT area{};
  if (owner_ && ::IsWindowVisible(owner_)) {
    ::GetWindowRect(owner_, &area);
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  int x = area.left + ((area.right - area.left) - size.cx) / 2;
  int y = area.top + ((area.bottom - area.top) - size.cy) / 2;
  // Keep the whole window on the monitor it opens on.
  MONITORINFO mi{sizeof(mi)};
  if (::GetMonitorInfoW(::MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &mi)) {
    x = std::max<LONG>(mi.rcWork.left, std::min<LONG>(x, mi.rcWork.right - size.cx));
    y = std::max<LONG>(mi.rcWork.top, std::min<LONG>(y, mi.rcWork.bottom - size.cy));
  }
  ::SetWindowPos(hwnd_, nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);

  controls_ = win::CreateControls(hwnd_, instance, kControls, kStandardFont);
  for (size_t i = 0; i < kRows; ++i) {
    texts_[i] = kControls[i].text ? kControls[i].text : L"";
    rects_[i] = win::ControlRect(kControls, i, dpi);
  }
  linkCursor_ = ::LoadCursorW(instance, MAKEINTRESOURCEW(IDC_HAND_LINK));
  if (!linkCursor_) linkCursor_ = ::LoadCursorW(nullptr, IDC_HAND);
  LoadPicture();
  Form_Load();
  return true;
}

void frmAbout::Form_Load() {
  texts_[lvlVersion] = L"Version " + std::to_wstring(App::Major) + L"." + std::to_wstring(App::Minor) + L"." +
                     std::to_wstring(App::Revision);
  LayoutLabels();
}

void frmAbout::Form_QueryUnload() {
  // The click sounds to its end before the window goes.
  WavPlay::PlayKeyClick();
}

void frmAbout::Label4_Click() { ShellExec::ShellOpen(kWebPage); }

// Labels that size themselves to their text keep the centre of their design box.
void frmAbout::LayoutLabels() {
  const int dpi = win::WindowDpi(hwnd_);
  win::ScopedGetDC dc(hwnd_);
  for (Row row : {Label1, lvlVersion, Label3, Label2}) {
    const RECT design = win::ControlRect(kControls, row, dpi);
    win::ScopedSelectObject font(dc, controls_.fonts[row].get());
    RECT measured{0, 0, 0, 0};
    ::DrawTextW(dc, texts_[row].c_str(), static_cast<int>(texts_[row].size()), &measured,
                DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    const int cx = (design.left + design.right) / 2;
    const int cy = (design.top + design.bottom) / 2;
    const int w = measured.right - measured.left;
    const int h = measured.bottom - measured.top;
    rects_[row] = RECT{cx - w / 2, cy - h / 2, cx - w / 2 + w, cy - h / 2 + h};
  }
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void frmAbout::LoadPicture() {
  const auto bytes = Res::LoadResourceBytes(IDR_ABOUT_PICTURE, L"PICTURES");
  if (bytes.empty()) return;
  win::GlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  if (!memory) return;
  if (void* p = ::GlobalLock(memory.get())) {
    std::memcpy(p, bytes.data(), bytes.size());
    ::GlobalUnlock(memory.get());
  }
  win::ComPtr<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(memory.get(), TRUE, stream.put()))) return;
  memory.release();  // the stream frees it
  ::OleLoadPicture(stream.get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture, picture_.put_void());
}

void frmAbout::OnPaint(HDC dc, PAINTSTRUCT*) {
  const RECT& image = rects_[Image1];
  OLE_HANDLE handle = 0;
  SHORT type = PICTYPE_NONE;
  if (picture_ && SUCCEEDED(picture_->get_Type(&type)) && type == PICTYPE_BITMAP &&
      SUCCEEDED(picture_->get_Handle(&handle)) && handle) {
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof(info), &info);
    const win::Dc memory(::CreateCompatibleDC(dc));
    const win::ScopedSelectObject selected(memory.get(), bitmap);
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    ::StretchBlt(dc, image.left, image.top, image.right - image.left, image.bottom - image.top, memory.get(), 0, 0,
                 info.bmWidth, info.bmHeight, SRCCOPY);
  }

  ::SetBkMode(dc, TRANSPARENT);
  for (Row row : {Label1, lvlVersion, Label3, Label2, Label4}) {
    win::ScopedSelectObject font(dc, controls_.fonts[row].get());
    ::SetTextColor(dc, ColorOf(row));
    RECT r = rects_[row];
    ::DrawTextW(dc, texts_[row].c_str(), static_cast<int>(texts_[row].size()), &r, kLabelFormat);
  }
}

bool frmAbout::InLink(POINT client) const { return ::PtInRect(&rects_[Label4], client) != FALSE; }

LRESULT frmAbout::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == hwnd_) {
        POINT pt;
        ::GetCursorPos(&pt);
        ::ScreenToClient(hwnd_, &pt);
        if (InLink(pt)) {
          ::SetCursor(linkCursor_);
          return TRUE;
        }
      }
      break;
    case WM_LBUTTONDOWN: {
      const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (InLink(pt)) {
        linkPressed_ = true;
        ::SetCapture(hwnd_);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const bool click = linkPressed_ && InLink(pt);
      linkPressed_ = false;
      if (::GetCapture() == hwnd_) ::ReleaseCapture();
      if (click) Label4_Click();
      return 0;
    }
    case WM_CAPTURECHANGED:
      linkPressed_ = false;
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_CLOSE:
      // Every way of closing (close box, Alt+F4, system menu, Esc) comes through here, and
      // closing is never refused.
      Form_QueryUnload();
      if (ownerDisabled_) {
        // Enabled before this window goes, so that the owner gets the activation back.
        ::EnableWindow(owner_, TRUE);
        ownerDisabled_ = false;
      }
      ::DestroyWindow(hwnd_);
      return 0;
    default:
      break;
  }
  return DefaultProc(msg, wParam, lParam);
}

COLORREF frmAbout::ColorOf(Row row) { return row == Label4 ? kLinkColor : ::GetSysColor(COLOR_BTNTEXT); }

}  // namespace quorvel
