// PathwellForm1.exe: the library's test form on its own.
#include <windows.h>
#include <objbase.h>

#include "Form1.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  if (FAILED(::OleInitialize(nullptr))) return 1;
  const int code = quorvel::pathwell::RunForm1(instance, show);
  ::OleUninitialize();
  return code;
}
