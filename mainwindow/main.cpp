// Quorvel.exe: the main window and its message loop.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "frmMain.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // The folder-browse control is an in-process ActiveX control: it needs OLE on this thread.
  const HRESULT ole = ::OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);

  int exitCode = 0;
  {
    quorvel::frmMain form;
    form.SetQuitOnDestroy(true);
    if (!form.Create(instance, showCommand)) {
      exitCode = 1;
    } else {
      MSG msg;
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (form.PreTranslate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      exitCode = static_cast<int>(msg.wParam);
    }
  }
  if (SUCCEEDED(ole)) ::OleUninitialize();
  return exitCode;
}
