// Quorvel.exe: the main window and its message loop.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "MessageLoop.h"
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
      exitCode = quorvel::win::RunMessageLoop([&form](MSG& msg) { return form.PreTranslate(msg); });
    }
  }
  if (SUCCEEDED(ole)) ::OleUninitialize();
  return exitCode;
}
