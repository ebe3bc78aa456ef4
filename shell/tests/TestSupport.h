#pragma once
// Shared by the shell tests: a fake platform that records sounds and shell calls, and the
// scratch folder that removes itself.
#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "Res.h"
#include "Resource.h"
#include "ScratchFolder.h"
#include "Seam.h"

namespace quorvel::test {

struct SoundCall {
  std::string file;            // empty for a sound played from memory
  const void* image = nullptr; // the WAV image for SND_MEMORY
  UINT flags = 0;
};

struct ShellCall {
  HWND owner;
  std::string verb, file, parameters, directory;
  INT show;
};

class FakePlatform : public Platform {
 public:
  std::vector<SoundCall> sounds;
  std::vector<ShellCall> shellCalls;

  int MsgBox(HWND, std::wstring_view, std::wstring_view, UINT) override { return IDOK; }
  BOOL SndPlaySound(LPCSTR soundOrImage, UINT flags) override {
    if (flags & SND_MEMORY)
      sounds.push_back({{}, soundOrImage, flags});
    else
      sounds.push_back({soundOrImage ? soundOrImage : "", nullptr, flags});
    return TRUE;
  }
  HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                          INT show) override {
    shellCalls.push_back({owner, verb ? verb : "(null)", file ? file : "(null)", parameters ? parameters : "(null)",
                          directory ? directory : "(null)", show});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
  }
  BOOL GetOpenFileNameW(OPENFILENAMEW*) override { return FALSE; }
  BOOL GetSaveFileNameW(OPENFILENAMEW*) override { return FALSE; }
};

// The scratch folder and file helpers shared with the other test programs.
using testing::ReadFileBytes;
using testing::ScratchFolder;
using testing::WriteFileBytes;

// The key click as the program file carries it.
inline std::string KeyClickResource() {
  const auto bytes = Res::LoadResourceBytes(IDR_KEYCLICK, L"SOUNDS");
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace quorvel::test
