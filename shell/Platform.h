#pragma once
// Everything modal or noisy that the program asks of Windows goes through one Platform
// object, so tests can answer message boxes and dialogs and observe sounds and shell calls.
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <string_view>

namespace quorvel {

class Platform {
 public:
  virtual ~Platform() = default;
  // MessageBoxW; returns IDOK, IDYES, IDNO ...
  virtual int MsgBox(HWND owner, std::wstring_view text, std::wstring_view title, UINT flags) = 0;
  // sndPlaySoundA with an ANSI file name, or with SND_MEMORY a WAV image.
  virtual BOOL SndPlaySound(LPCSTR soundOrImage, UINT flags) = 0;
  // ShellExecuteA.
  virtual HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                  LPCSTR directory, INT show) = 0;
  // GetOpenFileNameW / GetSaveFileNameW; FALSE with CommDlgExtendedError() 0 is Cancel.
  virtual BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) = 0;
  virtual BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) = 0;
  // GetDesktopWindow, the owner of shell calls. Not pure: fakes may keep the real one.
  virtual HWND DesktopWindow();
  // The running program's full path (App::Path is its folder). Not pure, as above.
  virtual std::wstring ProgramFile();
};

// The platform in force: the real one unless a test put another in place.
Platform& CurrentPlatform();
// The real one, bound to Windows.
Platform& RealPlatform();

// Puts a platform in force for its lifetime (tests).
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

}  // namespace quorvel
