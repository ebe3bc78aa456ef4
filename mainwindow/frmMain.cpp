#include "frmMain.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <new>

#include "App.h"
#include "ErrorText.h"
#include "LED.h"
#include "Resource.h"
#include "Seam.h"
#include "ShellExec.h"
#include "StringStuff.h"
#include "Text.h"
#include "TextFile.h"
#include "TextView.h"
#include "VbError.h"
#include "WavPlay.h"
#include "frmAbout.h"

namespace quorvel {
namespace {

constexpr const wchar_t* kWindowClass = L"QuorvelMain";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 12930;
constexpr int kClientHeight = 7785;
constexpr int kFirstId = 1001;

constexpr win::FontRow kStandardFont{L"MS Sans Serif", 8.25, FW_NORMAL};
constexpr win::FontRow kBoldSmall{L"MS Sans Serif", 8.25, FW_BOLD};
constexpr win::FontRow kCommandFont{L"MS Sans Serif", 12, FW_NORMAL};
constexpr win::FontRow kBusyFont{L"MS Sans Serif", 9.75, FW_NORMAL};
constexpr win::FontRow kStatusFont{L"MS Sans Serif", 12, FW_BOLD};
constexpr win::FontRow kOutputFont{L"Fixedsys", 9, FW_NORMAL, false, true};

constexpr DWORD kGroup = BS_GROUPBOX;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kPush = BS_PUSHBUTTON;
constexpr DWORD kTextBox = ES_AUTOHSCROLL | WS_BORDER;
constexpr DWORD kOutput = WS_VSCROLL | WS_HSCROLL | WS_BORDER;

using F = frmMain;
constexpr int Id(F::Ctl row) { return kFirstId + static_cast<int>(row); }

// Positions in twips relative to the container; containers only offset their contents.
// clang-format off
constexpr std::array<win::ControlRow, F::kControlCount> kTable{{
  {L"Frame1",           Id(F::Frame1),           L"BUTTON",         L"Source File",    -1,           120,   60, 12615,  735,  0, kGroup | WS_GROUP, {}, nullptr},
  {L"txtSourceFile",    Id(F::txtSourceFile),    L"EDIT",           L"",               F::Frame1,    120,  240, 11415,  315,  1, kTextBox | WS_DISABLED, {}, nullptr},
  {L"Command1",         Id(F::Command1),         L"BUTTON",         L"Browse",         F::Frame1,  11520,  240,   915,  315,  2, kPush, {}, nullptr},
  {L"Frame2",           Id(F::Frame2),           L"BUTTON",         L"Options",        -1,           120,  960,  2055, 2775,  3, kGroup, {}, nullptr},
  {L"Frame3",           Id(F::Frame3),           L"BUTTON",         L"Final Location", F::Frame2,    120,  240,  1815, 1455, 14, kGroup, {}, nullptr},
  {L"optAppPath",       Id(F::optAppPath),       L"BUTTON",         L"App.Path",       F::Frame3,    120,  240,  1575,  195, 20, kRadio | WS_GROUP, {}, nullptr},
  {L"optOtherLocation", Id(F::optOtherLocation), L"BUTTON",         L"Other Location", F::Frame3,    120,  540,  1515,  195, 21, kRadio, {}, nullptr},
  {L"txtOtherLocation", Id(F::txtOtherLocation), L"EDIT",           L".",              F::Frame3,    120,  780,  1575,  285, 15, kTextBox | WS_DISABLED, kBoldSmall, nullptr},
  {L"btnSelectDir",     Id(F::btnSelectDir),     L"BUTTON",         L"Browse",         F::Frame3,    840, 1080,   855,  255, 16, kPush | WS_DISABLED, {}, nullptr},
  {L"Frame4",           Id(F::Frame4),           L"BUTTON",         L"Sub Type",       F::Frame2,    120, 1800,  1815,  795, 17, kGroup, {}, nullptr},
  {L"optPrivate",       Id(F::optPrivate),       L"BUTTON",         L"Private Sub",    F::Frame4,    180,  240,  1215,  195, 19, kRadio, {}, L"Makes the resulting code, a \"Private Sub\"."},
  {L"optPublic",        Id(F::optPublic),        L"BUTTON",         L"Public Sub",     F::Frame4,    180,  540,  1215,  195, 18, kRadio | WS_GROUP, {}, L"Makes the resulting code a \"Public Sub\"."},
  {L"btnStart",         Id(F::btnStart),         L"BUTTON",         L"Start",          -1,           240, 3780,  1815,  375,  4, kPush | WS_DISABLED, kCommandFont, nullptr},
  {L"btnSave",          Id(F::btnSave),          L"BUTTON",         L"Save",           -1,           240, 4140,  1815,  375,  9, kPush | WS_DISABLED, kCommandFont, nullptr},
  {L"btnClear",         Id(F::btnClear),         L"BUTTON",         L"Clear",          -1,           240, 4500,  1815,  375,  5, kPush | WS_DISABLED, kCommandFont, nullptr},
  {L"btnAbout",         Id(F::btnAbout),         L"BUTTON",         L"About",          -1,           240, 4860,  1815,  375,  6, kPush, kCommandFont, nullptr},
  {L"btnHelp",          Id(F::btnHelp),          L"BUTTON",         L"Help",           -1,           240, 5220,  1815,  375, 13, kPush, kCommandFont, nullptr},
  {L"btnExit",          Id(F::btnExit),          L"BUTTON",         L"Exit",           -1,           240, 5580,  1815,  375,  7, kPush, kCommandFont, nullptr},
  {L"Label1",           Id(F::Label1),           nullptr,           L"Busy",           -1,           675, 6060,   450,  240, 11, 0, kBusyFont, nullptr},
  {L"LED1",             Id(F::LED1),             LED::kClassName,   nullptr,           -1,          1200, 6060,   255,  255,  8, 0, {}, nullptr},
  {L"Text1",            Id(F::Text1),            TextView::kClassName, L"",            -1,          2280,  900, 10515, 6735, 10, kOutput, kOutputFont, nullptr},
  {L"StatusBar1",       Id(F::StatusBar1),       nullptr,           L"Label2",         -1,          6480, 3780,   855,  300, 12, 0, kStatusFont, nullptr},
}};
// clang-format on

// A frame paints only its edge and caption; with the window clipping its children nobody
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

bool IsNormalFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  constexpr DWORD kNotNormal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & kNotNormal);
}

std::wstring HResultText(HRESULT hr) {
  wchar_t hex[16];
  ::wsprintfW(hex, L"%08X", static_cast<unsigned>(hr));
  std::wstring text = L"Error &H" + std::wstring(hex);
  wchar_t* message = nullptr;
  if (::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr) &&
      message) {
    std::wstring m(message);
    ::LocalFree(message);
    while (!m.empty() && (m.back() == L'\n' || m.back() == L'\r' || m.back() == L' ')) m.pop_back();
    if (!m.empty()) text += L" (" + m + L")";
  }
  return text;
}

}  // namespace

frmMain::frmMain(std::unique_ptr<FolderBrowser> browser) : Pathwell1(std::move(browser)) {}

frmMain::~frmMain() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

std::span<const win::ControlRow> frmMain::Table() { return kTable; }

bool frmMain::Create(HINSTANCE instance, int showCommand) {
  LED::Register(instance);
  TextView::Register(instance);

  RegisterClassOnce(instance, kWindowClass);
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

void frmMain::OnCreate() {
  dpi_ = win::WindowDpi(hwnd_);
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));

  const SIZE size = win::WindowSizeForClient(kStyle, kExStyle, kClientWidth, kClientHeight, dpi_);
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
  ::SetWindowPos(hwnd_, nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);

  icon_ = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORVEL), IMAGE_ICON,
                                          ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORVEL), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  if (icon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  if (smallIcon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

  std::array<void*, kControlCount> objects{};
  objects[Text1] = &text1_;
  controls_ = win::CreateControls(hwnd_, instance, kTable, kStandardFont, objects);
  // A frame lies beneath the controls it holds, and beneath the frames inside it, whatever
  // the Tab order says.
  for (size_t i = kControlCount; i-- > 0;) {
    if (kTable[i].className && (kTable[i].style & BS_TYPEMASK) == BS_GROUPBOX && !lstrcmpW(kTable[i].className, L"BUTTON")) {
      ::SetWindowPos(controls_.windows[i], HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      ::SetWindowSubclass(controls_.windows[i], &FrameProc, 0, 0);
    }
  }
  // The lamp only shows; it never takes the focus.
  HWND led = Control(LED1);
  ::SetWindowLongPtrW(led, GWL_STYLE, ::GetWindowLongPtrW(led, GWL_STYLE) & ~WS_TABSTOP);

  SetChecked(optAppPath, true);
  SetChecked(optPublic, true);
  LayoutLabel(Label1);
  LayoutLabel(StatusBar1);

  // Without the folder-browse control the program still works; its Browse button says why not.
  pathwellResult_ = Pathwell1 ? Pathwell1->Create(hwnd_) : E_POINTER;
}

bool frmMain::PreTranslate(MSG& msg) {
  if (!hwnd_) return false;
  if (msg.hwnd != hwnd_ && !::IsChild(hwnd_, msg.hwnd)) return false;
  return ::IsDialogMessageW(hwnd_, &msg) != FALSE;
}

LRESULT frmMain::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_PAINT:
      return PaintThrough();
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (lastFocus_ && ::IsWindow(lastFocus_) && ::IsWindowEnabled(lastFocus_)) {
        ::SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (run_.Running()) {
        closeRequested_ = true;  // the run stops in its next pause and closes the window then
        return 0;
      }
      CloseWindow();
      return 0;
    case WM_ENDSESSION:
      if (wParam) ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
      return 0;
    case WM_DESTROY:
      Pathwell1.reset();
      if (icon_) ::DestroyIcon(std::exchange(icon_, nullptr));
      if (smallIcon_) ::DestroyIcon(std::exchange(smallIcon_, nullptr));
      if (quitOnDestroy_) ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefaultProc(msg, wParam, lParam);
}

void frmMain::OnCommand(int id, int code) {
  if (id < kFirstId || id >= kFirstId + static_cast<int>(kControlCount)) return;  // Enter, Escape
  const auto row = static_cast<Ctl>(id - kFirstId);
  if (row == txtOtherLocation) {
    if (code == EN_KILLFOCUS) txtOtherLocation_Validate();
    return;
  }
  if (code != BN_CLICKED) return;
  switch (row) {
    case Command1: Command1_Click(); break;
    case btnSelectDir: btnSelectDir_Click(); break;
    case btnStart: btnStart_Click(); break;
    case btnSave: btnSave_Click(); break;
    case btnClear: btnClear_Click(); break;
    case btnAbout: btnAbout_Click(); break;
    case btnHelp: btnHelp_Click(); break;
    case btnExit: btnExit_Click(); break;
    case optPublic: if (Checked(optPublic)) optPublic_Click(); break;
    case optPrivate: if (Checked(optPrivate)) optPrivate_Click(); break;
    case optAppPath: if (Checked(optAppPath)) optAppPath_Click(); break;
    case optOtherLocation: if (Checked(optOtherLocation)) optOtherLocation_Click(); break;
    default: break;
  }
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

void frmMain::Paint(HDC dc) {
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

// ---- Control helpers ------------------------------------------------------------------------

std::wstring frmMain::TextOf(Ctl row) const {
  HWND control = Control(row);
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

void frmMain::SetTextOf(Ctl row, const std::wstring& text) { ::SetWindowTextW(Control(row), text.c_str()); }

bool frmMain::Checked(Ctl row) const { return ::SendMessageW(Control(row), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void frmMain::SetChecked(Ctl row, bool checked) {
  ::SendMessageW(Control(row), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void frmMain::Enable(Ctl row, bool enabled) { ::EnableWindow(Control(row), enabled ? TRUE : FALSE); }

bool frmMain::DoEvents() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The program's own loop must still see it; the run ends as if the window closed.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      closeRequested_ = true;
      return false;
    }
    if (!PreTranslate(msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return !closeRequested_;
}

// ---- Loading and closing --------------------------------------------------------------------

void frmMain::Form_Load() { WavPlay::EnsureKeyClickFile(); }

void frmMain::Form_QueryUnload() { CurrentPlatform().MsgBox(hwnd_, L"Thank you for using Quorvel", L"Bye", 0); }

void frmMain::CloseWindow() {
  if (closing_ || !hwnd_) return;
  closing_ = true;
  Form_QueryUnload();
  ::DestroyWindow(hwnd_);
}

// ---- The conversion run ---------------------------------------------------------------------

void frmMain::btnStart_Click() {
  if (run_.Running()) return;  // one run at a time
  WavPlay::PlayKeyClick();
  ConversionRun::Options options;
  // An emptied field counts as "." as when the focus leaves it: "" would put the file in the
  // root of whatever drive is current when the module runs.
  if (!Checked(optAppPath)) txtOtherLocation_Validate();
  options.destination = Checked(optAppPath) ? App::Path() : TextOf(txtOtherLocation);
  options.scope = Checked(optPublic) ? L"Public" : L"Private";
  options.source = TextOf(txtSourceFile);
  if (options.source.empty()) {
    CurrentPlatform().MsgBox(hwnd_, L"Please select a source file, first", L"Dumbass!", 0);
    return;
  }

  const ConversionRun::Outcome outcome = run_.Run(options);
  if (outcome == ConversionRun::Outcome::Stopped || closeRequested_) {
    CloseWindow();
    return;
  }
  if (outcome != ConversionRun::Outcome::Done) return;
  Enable(btnSave, true);
  Enable(btnClear, true);
  CurrentPlatform().MsgBox(hwnd_, L"Done", L"Good news!", 0);
}

// ---- Source and destination -----------------------------------------------------------------

void frmMain::Command1_Click() {
  if (run_.Running()) return;
  WavPlay::PlayKeyClick();
  try {
    CD1.CancelError = true;
    CD1.DialogTitle = L"Select file to encode";
    CD1.Filter = L"Any file|*.*";
    CD1.ShowOpen(hwnd_);
    const std::wstring chosen = CD1.FileName;
    SetTextOf(txtSourceFile, chosen);
    // The save name is the file's name up to its first dot (all of it when it has none).
    const std::wstring name = win::Widen(StringStuff::FileNameFromPath(win::Utf8(chosen)));
    DefFilename = name.substr(0, name.find(L'.'));
    if (!chosen.empty()) Enable(btnStart, true);
  } catch (...) {
    SetTextOf(txtSourceFile, L"");
    ::UpdateWindow(Control(txtSourceFile));
  }
}

void frmMain::optPublic_Click() {
  SetChecked(optPrivate, false);
  ::InvalidateRect(Control(optPublic), nullptr, TRUE);
}

void frmMain::optPrivate_Click() {
  SetChecked(optPublic, false);
  ::InvalidateRect(Control(optPrivate), nullptr, TRUE);
}

void frmMain::optAppPath_Click() {
  SetChecked(optOtherLocation, false);
  Enable(txtOtherLocation, false);
  Enable(btnSelectDir, false);
}

void frmMain::optOtherLocation_Click() {
  SetChecked(optAppPath, false);
  Enable(txtOtherLocation, true);
  Enable(btnSelectDir, true);
}

void frmMain::txtOtherLocation_Validate() {
  if (TextOf(txtOtherLocation).empty()) SetTextOf(txtOtherLocation, L".");
}

void frmMain::ShowPathwellMissing(HRESULT hr) {
  CurrentPlatform().MsgBox(hwnd_,
                           L"The folder-browse control Pathwell.ocx is not available.\r\n" + HResultText(hr),
                           L"Oops!", MB_ICONERROR);
}

void frmMain::btnSelectDir_Click() {
  if (run_.Running()) return;
  WavPlay::PlayKeyClick();
  if (FAILED(pathwellResult_)) {
    ShowPathwellMissing(pathwellResult_);
    return;
  }
  std::wstring folder;
  const HRESULT hr = Pathwell1->Browse(hwnd_, L"Select a final destination folder.", folder);
  if (FAILED(hr)) {
    ShowPathwellMissing(hr);
    return;
  }
  if (folder.empty()) return;  // Cancel: the field keeps what the user typed or chose before
  SetTextOf(txtOtherLocation, folder);
  std::wstring text = TextOf(txtOtherLocation);
  if (!text.empty() && text.back() == L'\\') {
    text.pop_back();  // exactly one: "C:\" becomes "C:"
    SetTextOf(txtOtherLocation, text);
    ::UpdateWindow(Control(txtOtherLocation));
  }
}

// ---- Save -----------------------------------------------------------------------------------

void frmMain::btnSave_Click() {
  if (run_.Running()) return;
  WavPlay::PlayKeyClick();
  std::wstring target;
  try {
    CD1.FileName = DefFilename;
    CD1.DialogTitle = L"Saving resulting VB code";
    CD1.Filter = L"Plain text|*.txt|VB Form|*.frm|VB Module|*.bas|Any format|*.*";
    CD1.DefaultExt = L".txt";
    CD1.ShowSave(hwnd_);
    target = CD1.FileName;
    if (target.empty()) return;
    if (IsNormalFile(target) &&
        CurrentPlatform().MsgBox(hwnd_, L"File: " + target + L"\r\nexists... overwrite?", L"Query",
                                 MB_YESNO | MB_DEFBUTTON1) == IDNO)
      return;
    text1_.SelectAll();
    const std::wstring_view text = text1_.Text();
    SetStatusCaption(L"Saving...");
    std::string bytes;
    try {
      bytes = win::ToAnsi(text);
    } catch (const std::bad_alloc&) {
      throw VbError(kErrOutOfMemory);  // a text too big to convert in one piece
    }
    TextFile::WriteReplacing(target, bytes);
    SetStatusCaption(L"Saved...");
  } catch (const VbError& e) {
    if (e.Number() == kErrCancel) return;  // the user's own choice
    CurrentPlatform().MsgBox(hwnd_,
                             L"The file " + target + L" could not be saved.\r\n" + ErrorText(e),
                             L"Oops!", MB_ICONERROR);
    return;
  }
  CurrentPlatform().MsgBox(hwnd_, L"Saved: " + target, L"Good news!", 0);
}

// ---- Clear, Help, About, Exit ---------------------------------------------------------------

void frmMain::btnClear_Click() {
  if (run_.Running()) return;
  WavPlay::PlayKeyClick();
  text1_.SetText(L"");
  ::UpdateWindow(text1_.hwnd());
  SetChecked(optPrivate, false);
  SetChecked(optPublic, true);
  SetChecked(optAppPath, true);
  SetChecked(optOtherLocation, false);
  SetTextOf(txtOtherLocation, L".");
  Enable(txtOtherLocation, false);
  Enable(btnSelectDir, false);
  Enable(btnStart, false);
  Enable(btnSave, false);
  SetStatusCaption(L"");
  SetTextOf(txtSourceFile, L"");
  ::UpdateWindow(Control(txtSourceFile));
}

void frmMain::btnHelp_Click() { ShellExec::ShellOpen(App::ResolvedHelpFile()); }

void frmMain::btnAbout_Click() {
  WavPlay::PlayKeyClick();
  frmAbout::Show(hwnd_);
}

void frmMain::btnExit_Click() {
  WavPlay::PlayKeyClick();
  ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

}  // namespace quorvel
