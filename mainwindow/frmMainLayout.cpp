// The main window as it is made: its class, size and control table, and the two labels
// painted on it (Label1 and the status label StatusBar1).
#include "frmMain.h"

#include <array>

#include "App.h"
#include "FolderBrowser.h"
#include "LED.h"
#include "Resource.h"
#include "TextView.h"

namespace quorvel {
namespace {

constexpr const wchar_t* kWindowClass = L"QuorvelMain";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 12930;  // twips
constexpr int kClientHeight = 7785;

constexpr win::FontRow kStandardFont{.face = L"MS Sans Serif", .points = 8.25};
constexpr win::FontRow kBoldSmall{.face = L"MS Sans Serif", .points = 8.25, .weight = FW_BOLD};
constexpr win::FontRow kCommandFont{.face = L"MS Sans Serif", .points = 12};
constexpr win::FontRow kBusyFont{.face = L"MS Sans Serif", .points = 9.75};
constexpr win::FontRow kStatusFont{.face = L"MS Sans Serif", .points = 12, .weight = FW_BOLD};
constexpr win::FontRow kOutputFont{.face = L"Fixedsys", .points = 9, .fixedPitch = true};

constexpr DWORD kGroup = BS_GROUPBOX;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kPush = BS_PUSHBUTTON;
constexpr DWORD kTextBox = ES_AUTOHSCROLL | WS_BORDER;
constexpr DWORD kOutput = WS_VSCROLL | WS_HSCROLL | WS_BORDER;

using F = frmMain;
constexpr int Id(F::Ctl row) { return F::kFirstId + static_cast<int>(row); }

// Places in twips relative to the container; containers only offset their contents.
constexpr std::array<win::ControlRow, F::kControlCount> kTable{{
    {.name = L"Frame1", .id = Id(F::Frame1), .className = L"BUTTON", .text = L"Source File",
     .place = {120, 60, 12615, 735}, .tabIndex = 0, .style = kGroup | WS_GROUP},
    {.name = L"txtSourceFile", .id = Id(F::txtSourceFile), .className = L"EDIT", .text = L"",
     .container = F::Frame1, .place = {120, 240, 11415, 315}, .tabIndex = 1, .style = kTextBox | WS_DISABLED},
    {.name = L"Command1", .id = Id(F::Command1), .className = L"BUTTON", .text = L"Browse",
     .container = F::Frame1, .place = {11520, 240, 915, 315}, .tabIndex = 2, .style = kPush},
    {.name = L"Frame2", .id = Id(F::Frame2), .className = L"BUTTON", .text = L"Options",
     .place = {120, 960, 2055, 2775}, .tabIndex = 3, .style = kGroup},
    {.name = L"Frame3", .id = Id(F::Frame3), .className = L"BUTTON", .text = L"Final Location",
     .container = F::Frame2, .place = {120, 240, 1815, 1455}, .tabIndex = 14, .style = kGroup},
    {.name = L"optAppPath", .id = Id(F::optAppPath), .className = L"BUTTON", .text = L"App.Path",
     .container = F::Frame3, .place = {120, 240, 1575, 195}, .tabIndex = 20, .style = kRadio | WS_GROUP},
    {.name = L"optOtherLocation", .id = Id(F::optOtherLocation), .className = L"BUTTON", .text = L"Other Location",
     .container = F::Frame3, .place = {120, 540, 1515, 195}, .tabIndex = 21, .style = kRadio},
    {.name = L"txtOtherLocation", .id = Id(F::txtOtherLocation), .className = L"EDIT", .text = L".",
     .container = F::Frame3, .place = {120, 780, 1575, 285}, .tabIndex = 15, .style = kTextBox | WS_DISABLED,
     .font = kBoldSmall},
    {.name = L"btnSelectDir", .id = Id(F::btnSelectDir), .className = L"BUTTON", .text = L"Browse",
     .container = F::Frame3, .place = {840, 1080, 855, 255}, .tabIndex = 16, .style = kPush | WS_DISABLED},
    {.name = L"Frame4", .id = Id(F::Frame4), .className = L"BUTTON", .text = L"Sub Type",
     .container = F::Frame2, .place = {120, 1800, 1815, 795}, .tabIndex = 17, .style = kGroup},
    {.name = L"optPrivate", .id = Id(F::optPrivate), .className = L"BUTTON", .text = L"Private Sub",
     .container = F::Frame4, .place = {180, 240, 1215, 195}, .tabIndex = 19, .style = kRadio,
     .tooltip = L"Makes the resulting code, a \"Private Sub\"."},
    {.name = L"optPublic", .id = Id(F::optPublic), .className = L"BUTTON", .text = L"Public Sub",
     .container = F::Frame4, .place = {180, 540, 1215, 195}, .tabIndex = 18, .style = kRadio | WS_GROUP,
     .tooltip = L"Makes the resulting code a \"Public Sub\"."},
    {.name = L"btnStart", .id = Id(F::btnStart), .className = L"BUTTON", .text = L"Start",
     .place = {240, 3780, 1815, 375}, .tabIndex = 4, .style = kPush | WS_DISABLED, .font = kCommandFont},
    {.name = L"btnSave", .id = Id(F::btnSave), .className = L"BUTTON", .text = L"Save",
     .place = {240, 4140, 1815, 375}, .tabIndex = 9, .style = kPush | WS_DISABLED, .font = kCommandFont},
    {.name = L"btnClear", .id = Id(F::btnClear), .className = L"BUTTON", .text = L"Clear",
     .place = {240, 4500, 1815, 375}, .tabIndex = 5, .style = kPush | WS_DISABLED, .font = kCommandFont},
    {.name = L"btnAbout", .id = Id(F::btnAbout), .className = L"BUTTON", .text = L"About",
     .place = {240, 4860, 1815, 375}, .tabIndex = 6, .style = kPush, .font = kCommandFont},
    {.name = L"btnHelp", .id = Id(F::btnHelp), .className = L"BUTTON", .text = L"Help",
     .place = {240, 5220, 1815, 375}, .tabIndex = 13, .style = kPush, .font = kCommandFont},
    {.name = L"btnExit", .id = Id(F::btnExit), .className = L"BUTTON", .text = L"Exit",
     .place = {240, 5580, 1815, 375}, .tabIndex = 7, .style = kPush, .font = kCommandFont},
    {.name = L"Label1", .id = Id(F::Label1), .text = L"Busy",
     .place = {675, 6060, 450, 240}, .tabIndex = 11, .font = kBusyFont},
    // The lamp only shows; it never takes the focus.
    {.name = L"LED1", .id = Id(F::LED1), .className = LED::kClassName,
     .place = {1200, 6060, 255, 255}, .tabIndex = 8, .tabStop = false},
    {.name = L"Text1", .id = Id(F::Text1), .className = TextView::kClassName, .text = L"",
     .place = {2280, 900, 10515, 6735}, .tabIndex = 10, .style = kOutput, .font = kOutputFont},
    // Shown where the output area is, while a run hides it.
    {.name = L"StatusBar1", .id = Id(F::StatusBar1), .text = L"Label2",
     .place = {6480, 3780, 855, 300}, .tabIndex = 12, .font = kStatusFont},
}};

}  // namespace

bool frmMain::Register(HINSTANCE instance) {
  const bool controls = LED::Register(instance) && TextView::Register(instance);
  return RegisterClassOnce(instance, kWindowClass) && controls;
}

bool frmMain::Create(HINSTANCE instance, int showCommand) {
  if (!Register(instance)) return false;
  if (!Pathwell1) Pathwell1 = MakePathwellBrowser(App::Path());

  HWND hwnd = ::CreateWindowExW(kExStyle, kWindowClass, L"Quorvel", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                                nullptr, nullptr, instance, this);
  if (!hwnd) return false;
  Form_Load();
  ::ShowWindow(hwnd, showCommand);
  ::UpdateWindow(hwnd);
  if (HWND first = ::GetNextDlgTabItem(hwnd, nullptr, FALSE)) ::SetFocus(first);
  return true;
}

bool frmMain::OnCreate(const CREATESTRUCTW&) {
  dpi_ = win::WindowDpi(hwnd_);
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));

  const SIZE size = win::WindowSizeForClient(kStyle, kExStyle, kClientWidth, kClientHeight, dpi_);
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
  ::SetWindowPos(hwnd_, nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);

  icon_.reset(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORVEL), IMAGE_ICON,
                                              ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
  smallIcon_.reset(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORVEL), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                   0)));
  if (icon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
  if (smallIcon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

  std::array<void*, kControlCount> objects{};
  objects[Text1] = &text1_;
  controls_ = win::CreateControls(hwnd_, instance, kTable, kStandardFont, objects);

  SetChecked(optAppPath, true);
  SetChecked(optPublic, true);
  LayoutLabel(Label1);
  LayoutLabel(StatusBar1);

  // Without the folder-browse control the program still works; its Browse button says why not.
  pathwellResult_ = Pathwell1 ? Pathwell1->Create(hwnd_) : E_POINTER;
  return true;
}

// ---- Painted labels -------------------------------------------------------------------------

void frmMain::LayoutLabel(Ctl row) {
  const size_t slot = row == Label1 ? 0 : 1;
  const std::wstring& caption = row == Label1 ? label1Caption_ : statusCaption_;
  const RECT design = win::ControlRect(kTable, row, dpi_);
  RECT text{0, 0, 0, 0};
  {
    win::ScopedGetDC dc(hwnd_);
    win::ScopedSelectObject font(dc, ControlFont(row));
    ::DrawTextW(dc, caption.empty() ? L" " : caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  }
  // A self-sizing label keeps its left edge and grows to the right.
  const int width = caption.empty() ? 0 : text.right - text.left;
  labelRects_[slot] = RECT{design.left, design.top, design.left + width, design.top + (text.bottom - text.top)};
}

RECT frmMain::LabelRect(Ctl row) const { return labelRects_[row == Label1 ? 0 : 1]; }

void frmMain::OnPaint(HDC dc, PAINTSTRUCT*) {
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  const struct {
    Ctl row;
    const std::wstring& caption;
    UINT align;
  } labels[] = {{Label1, label1Caption_, DT_RIGHT}, {StatusBar1, statusCaption_, DT_CENTER}};
  for (const auto& label : labels) {
    RECT r = LabelRect(label.row);
    HGDIOBJ old = ::SelectObject(dc, ControlFont(label.row));
    ::DrawTextW(dc, label.caption.c_str(), -1, &r, label.align | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    ::SelectObject(dc, old);
  }
}

void frmMain::SetStatusCaption(std::wstring caption) {
  if (caption == statusCaption_) return;
  RECT before = LabelRect(StatusBar1);
  statusCaption_ = std::move(caption);
  LayoutLabel(StatusBar1);
  RECT after = LabelRect(StatusBar1);
  RECT both;
  ::UnionRect(&both, &before, &after);
  ::InvalidateRect(hwnd_, &both, TRUE);
}

void frmMain::SetLedColor(COLORREF color) { LED::SetColor(Control(LED1), color); }

void frmMain::RepaintNow() {
  ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace quorvel
