#include "WavPlay.h"

#include <windows.h>
#include <mmsystem.h>

#include "App.h"
#include "Platform.h"
#include "Raii.h"
#include "Res.h"
#include "Resource.h"
#include "Text.h"

namespace quorvel::WavPlay {
namespace {

bool g_fromMemory = false;

std::wstring KeyClickPath() { return App::Path() + L"\\keyclick.wav"; }

// Look-up with normal attributes: read-only and archive files count, hidden and system
// files and folders do not.
bool NormalFileExists(const std::wstring& path) {
  WIN32_FIND_DATAW found{};
  const win::FindHandle search(::FindFirstFileW(path.c_str(), &found));
  if (!search) return false;
  bool any = false;
  do {
    constexpr DWORD kExcluded = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    if (!(found.dwFileAttributes & kExcluded)) any = true;
  } while (!any && ::FindNextFileW(search.get(), &found));
  return any;
}

}  // namespace

void PlayWave(const std::wstring& path) {
  const std::string ansi = win::ToAnsi(path);
  CurrentPlatform().SndPlaySound(ansi.c_str(), 0);  // synchronous, default sound as fallback
}

void PlayKeyClick() {
  if (g_fromMemory) {
    const auto bytes = Res::LoadResourceBytes(IDR_KEYCLICK, L"SOUNDS");
    if (!bytes.empty()) {
      CurrentPlatform().SndPlaySound(reinterpret_cast<LPCSTR>(bytes.data()), SND_MEMORY);
      return;
    }
  }
  PlayWave(KeyClickPath());
}

void EnsureKeyClickFile() {
  g_fromMemory = false;
  try {
    const std::wstring path = KeyClickPath();
    if (!NormalFileExists(path)) Res::SaveResourceToFile(path, IDR_KEYCLICK, L"SOUNDS");
  } catch (...) {
    // A read-only program folder must not keep the program from starting.
    g_fromMemory = true;
  }
}

}  // namespace quorvel::WavPlay
