// Quorvel.exe: the main window and its message loop.
#include <windows.h>
#include <commctrl.h>

#include "MessageLoop.h"
#include "ScopedComInit.h"
#include "frmMain.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // The folder-browse control is an in-process ActiveX control: it needs OLE on this thread.
  const quorvel::win::ScopedComInit ole(quorvel::win::ScopedComInit::kOle);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);

  quorvel::frmMain form;
  form.SetQuitOnDestroy(true);
  if (!form.Create(instance, showCommand)) return 1;
  return quorvel::win::RunMessageLoop([&form](MSG& msg) { return form.PreTranslate(msg); });
}
