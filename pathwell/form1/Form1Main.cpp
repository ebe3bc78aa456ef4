// PathwellForm1.exe: the library's test form on its own.
#include <windows.h>

#include "Form1.h"
#include "ScopedComInit.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  const quorvel::win::ScopedComInit ole(quorvel::win::ScopedComInit::kOle);
  if (!ole.Succeeded()) return 1;
  return quorvel::pathwell::RunForm1(instance, show);
}
