#include "Form1.h"

#include "ModulePath.h"

namespace quorvel::pathwell {
namespace {

constexpr wchar_t kClassName[] = L"PathwellForm1";
constexpr int kClientWidth = 4680;
constexpr int kClientHeight = 3090;

struct ChildRow {
  const wchar_t* className;
  const wchar_t* text;
  int id;
  int left, top, width, height;  // twips
  DWORD style;
  DWORD exStyle;
};
// In tab order: Command1 (tab index 0), then Text1 (tab index 1).
constexpr ChildRow kChildren[] = {
    {L"BUTTON", L"GO", Form1::kCommand1Id, 1620, 900, 735, 375, WS_TABSTOP | BS_PUSHBUTTON, 0},
    {L"EDIT", L"Text1", Form1::kText1Id, 240, 1440, 4275, 285, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
};

}  // namespace

Form1::~Form1() {
  Pathwell1.Destroy();
  if (hwnd_) ::DestroyWindow(hwnd_);
}

HRESULT Form1::Create(HINSTANCE instance, const std::wstring& libraryFolder) {
  if (!RegisterClassOnce(instance, kClassName)) return HRESULT_FROM_WIN32(::GetLastError());
  const int dpi = win::WindowDpi(nullptr);  // the window does not exist yet
  constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
  const SIZE frame = win::WindowSizeForClient(kStyle, 0, kClientWidth, kClientHeight, dpi);
  if (!::CreateWindowExW(0, kClassName, kCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.cx, frame.cy, nullptr,
                         nullptr, instance, this)) {
    return HRESULT_FROM_WIN32(::GetLastError());
  }
  const auto font = reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT));
  for (const ChildRow& child : kChildren) {
    HWND window = ::CreateWindowExW(
        child.exStyle, child.className, child.text, WS_CHILD | WS_VISIBLE | child.style,
        win::TwipsToPixels(child.left, dpi), win::TwipsToPixels(child.top, dpi), win::TwipsToPixels(child.width, dpi),
        win::TwipsToPixels(child.height, dpi), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(child.id)),
        instance, nullptr);
    if (!window) return HRESULT_FROM_WIN32(::GetLastError());
    ::SendMessageW(window, WM_SETFONT, font, FALSE);
    (child.id == kCommand1Id ? command1_ : text1_) = window;
  }
  // Pathwell1 sits at 240, 60 twips; it is invisible at run time, so it needs no window.
  return Pathwell1.Create(hwnd_, libraryFolder);
}

HRESULT Form1::Command1_Click() {
  std::wstring folder;
  lastClick_ = Pathwell1.Browse(hwnd_, kPrompt, folder);
  // A failing call ends the click; Text1 keeps its text.
  if (FAILED(lastClick_)) return lastClick_;
  ::SetWindowTextW(text1_, folder.c_str());
  return S_OK;
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kCommand1Id && HIWORD(wParam) == BN_CLICKED) {
        Command1_Click();
        return 0;
      }
      break;
    case WM_DESTROY:
      Pathwell1.Destroy();
      if (quitOnDestroy_) ::PostQuitMessage(0);
      break;
    default:
      break;
  }
  return DefaultProc(message, wParam, lParam);
}

int RunForm1(HINSTANCE instance, int show) {
  std::wstring folder = win::ModuleFileName(nullptr);
  folder.erase(folder.find_last_of(L'\\') + 1);
  Form1 form;
  if (FAILED(form.Create(instance, folder))) return 1;
  form.QuitOnDestroy();
  ::ShowWindow(form.hwnd(), show);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageW(form.hwnd(), &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace quorvel::pathwell
