#include "Form1.h"

#include "MessageLoop.h"
#include "ModulePath.h"
#include "Path.h"

namespace quorvel::pathwell {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
constexpr int kClientWidth = 4680;  // twips
constexpr int kClientHeight = 3090;

constexpr win::ControlRow kControls[] = {
    {.name = L"Command1", .id = Form1::kCommand1Id, .className = L"BUTTON", .text = L"GO",
     .place = {1620, 900, 735, 375}, .tabIndex = 0, .style = BS_PUSHBUTTON},
    {.name = L"Text1", .id = Form1::kText1Id, .className = L"EDIT", .text = L"Text1",
     .place = {240, 1440, 4275, 285}, .tabIndex = 1, .style = ES_AUTOHSCROLL, .exStyle = WS_EX_CLIENTEDGE},
};
// Pathwell1 sits at 240, 60 twips; it is invisible at run time, so it needs no window.

constexpr win::FontRow kStandardFont{.guiFont = true};

}  // namespace

Form1::~Form1() {
  Pathwell1.Destroy();
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool Form1::Register(HINSTANCE instance) { return RegisterClassOnce(instance, kClassName); }

bool Form1::Create(HINSTANCE instance, const std::wstring& libraryFolder) {
  if (!Register(instance)) return false;
  libraryFolder_ = libraryFolder;
  const int dpi = win::WindowDpi(nullptr);  // the window does not exist yet
  const SIZE frame = win::WindowSizeForClient(kStyle, 0, kClientWidth, kClientHeight, dpi);
  return ::CreateWindowExW(0, kClassName, kCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.cx, frame.cy, nullptr,
                           nullptr, instance, this) != nullptr;
}

bool Form1::OnCreate(const CREATESTRUCTW& create) {
  controls_ = win::CreateControls(hwnd_, create.hInstance, kControls, kStandardFont);
  if (!Command1() || !Text1()) return false;
  return SUCCEEDED(Pathwell1.Create(hwnd_, libraryFolder_));
}

void Form1::Command1_Click() {
  std::wstring folder;
  // A failing call ends the click; Text1 keeps its text.
  if (FAILED(Pathwell1.Browse(hwnd_, kPrompt, folder))) return;
  ::SetWindowTextW(Text1(), folder.c_str());
}

void Form1::OnCommand(int id, int code) {
  if (id == kCommand1Id && code == BN_CLICKED) Command1_Click();
}

void Form1::OnDestroy() {
  Pathwell1.Destroy();
  if (quitOnDestroy_) ::PostQuitMessage(0);
}

int RunForm1(HINSTANCE instance, int show) {
  const std::wstring folder = win::FolderOf(win::ModuleFileName(nullptr));
  Form1 form;
  if (!form.Create(instance, folder)) return 1;
  form.SetQuitOnDestroy(true);
  ::ShowWindow(form.hwnd(), show);
  return win::RunMessageLoop(win::DialogKeysOf(form.hwnd()));
}

}  // namespace quorvel::pathwell
