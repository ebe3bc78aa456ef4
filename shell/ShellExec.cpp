#include "ShellExec.h"

#include <windows.h>

#include "Platform.h"
#include "Text.h"

namespace quorvel::ShellExec {

void ShellOpen(const std::wstring& target) {
  Platform& platform = CurrentPlatform();
  const std::string file = win::ToAnsi(target);
  // Owned by the desktop: nothing the shell shows belongs to a window of ours.
  platform.ShellExecuteA(platform.DesktopWindow(), "Open", file.c_str(), "", "C:\\", SW_SHOWMAXIMIZED);
}

}  // namespace quorvel::ShellExec
