#include "Platform.h"

#include <shellapi.h>

#include "Library.h"
#include "ModulePath.h"

namespace quorvel {
namespace {

// The program binds its sound and shell functions by library and function name at their
// first call, so winmm and shell32 are only loaded when a click or a shell call needs them.
using win::BindByName;

using SndPlaySoundAFn = BOOL(WINAPI*)(LPCSTR, UINT);
using ShellExecuteAFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
using GetDesktopWindowFn = HWND(WINAPI*)();
using GetFileNameWFn = BOOL(WINAPI*)(OPENFILENAMEW*);

class WindowsPlatform final : public Platform {
 public:
  int MsgBox(HWND owner, std::wstring_view text, std::wstring_view title, UINT flags) override {
    const std::wstring t(text), c(title);
    return ::MessageBoxW(owner, t.c_str(), c.c_str(), flags);
  }

  BOOL SndPlaySound(LPCSTR soundOrImage, UINT flags) override {
    static const auto fn = BindByName<SndPlaySoundAFn>(L"winmm.dll", "sndPlaySoundA");
    return fn ? fn(soundOrImage, flags) : FALSE;
  }

  HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                          INT show) override {
    static const auto fn = BindByName<ShellExecuteAFn>(L"shell32.dll", "ShellExecuteA");
    return fn ? fn(owner, verb, file, parameters, directory, show)
              : reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
  }

  BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) override {
    static const auto fn = BindByName<GetFileNameWFn>(L"comdlg32.dll", "GetOpenFileNameW");
    return fn ? fn(ofn) : FALSE;
  }

  BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) override {
    static const auto fn = BindByName<GetFileNameWFn>(L"comdlg32.dll", "GetSaveFileNameW");
    return fn ? fn(ofn) : FALSE;
  }
};

Platform* g_current = nullptr;

}  // namespace

HWND Platform::DesktopWindow() {
  static const auto fn = BindByName<GetDesktopWindowFn>(L"user32", "GetDesktopWindow");
  return fn ? fn() : nullptr;
}

std::wstring Platform::ProgramFile() { return win::ModuleFileName(nullptr); }

Platform& RealPlatform() {
  static WindowsPlatform platform;
  return platform;
}

Platform& CurrentPlatform() { return g_current ? *g_current : RealPlatform(); }

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(g_current) { g_current = &platform; }

ScopedPlatform::~ScopedPlatform() { g_current = previous_; }

}  // namespace quorvel
