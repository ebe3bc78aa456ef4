#include "frmMain.h"

#include <new>
#include <utility>

#include "App.h"
#include "ErrorText.h"
#include "MessageLoop.h"
#include "Path.h"
#include "Platform.h"
#include "ShellExec.h"
#include "Text.h"
#include "TextFile.h"
#include "VbError.h"
#include "WavPlay.h"
#include "frmAbout.h"

namespace quorvel {
namespace {

bool IsNormalFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  constexpr DWORD kNotNormal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & kNotNormal);
}

std::wstring HResultText(HRESULT hr) {
  wchar_t hex[16];
  ::wsprintfW(hex, L"%08X", static_cast<unsigned>(hr));
  std::wstring text = L"Error &H" + std::wstring(hex);
  win::LocalMemory<wchar_t*> message;
  if (::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(message.put()), 0, nullptr) &&
      message) {
    std::wstring m(message.get());
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

bool frmMain::PreTranslate(MSG& msg) { return win::HandleDialogKeys(hwnd_, msg); }

LRESULT frmMain::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
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
      Unload();
      return 0;
    case WM_ENDSESSION:
      if (wParam) ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
      return 0;
    default:
      break;
  }
  return DefaultProc(msg, wParam, lParam);
}

void frmMain::OnDestroy() {
  Pathwell1.reset();
  icon_.reset();
  smallIcon_.reset();
  if (quitOnDestroy_) ::PostQuitMessage(0);
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

// ---- Message loop ---------------------------------------------------------------------------

bool frmMain::DoEvents() {
  // A request to end the program ends the run as if the window closed; the program's own loop
  // still sees it.
  if (!win::PumpPendingMessages([this](MSG& msg) { return PreTranslate(msg); })) closeRequested_ = true;
  return !closeRequested_;
}

// ---- Loading and closing --------------------------------------------------------------------

void frmMain::Form_Load() { WavPlay::EnsureKeyClickFile(); }

void frmMain::Form_QueryUnload() { CurrentPlatform().MsgBox(hwnd_, L"Thank you for using Quorvel", L"Bye", 0); }

void frmMain::Unload() {
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
    Unload();
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
    CD1.SetCancelError(true);
    CD1.SetDialogTitle(L"Select file to encode");
    CD1.SetFilter(L"Any file|*.*");
    CD1.ShowOpen(hwnd_);
    const std::wstring chosen = CD1.FileName();
    SetTextOf(txtSourceFile, chosen);
    // The save name is the file's name up to its first dot (all of it when it has none).
    const std::wstring name(win::FileNameOf(chosen));
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
    CD1.SetFileName(DefFilename);
    CD1.SetDialogTitle(L"Saving resulting VB code");
    CD1.SetFilter(L"Plain text|*.txt|VB Form|*.frm|VB Module|*.bas|Any format|*.*");
    CD1.SetDefaultExt(L".txt");
    CD1.ShowSave(hwnd_);
    target = CD1.FileName();
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
