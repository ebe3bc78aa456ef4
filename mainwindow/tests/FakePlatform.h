#pragma once
// A platform for tests: answers message boxes and file dialogs from scripts and records
// every box, sound and shell call.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Seam.h"

namespace quorvel::testing {

struct Box {
  std::wstring text;
  std::wstring title;
  UINT flags;
};

struct DialogCall {
  bool save;
  std::wstring title;
  std::wstring filter;  // with its NULs turned into '|'
  std::wstring defExt;
  std::wstring startName;
  DWORD flags;
};

class FakePlatform : public Platform {
 public:
  // Answers for boxes, in order; IDOK (IDYES for Yes/No) when the script is empty.
  std::deque<int> boxAnswers;
  // Chosen file names for the dialogs, in order; std::nullopt-like empty optional = Cancel.
  struct Choice {
    bool cancel = false;
    std::wstring name;
  };
  std::deque<Choice> dialogAnswers;
  // Called with each box as it is shown (before it is answered).
  std::function<void(const Box&)> onBox;

  std::vector<Box> boxes;
  std::vector<DialogCall> dialogs;
  std::vector<std::string> sounds;  // "<memory>" for a WAV image
  std::vector<std::string> shellFiles;

  int MsgBox(HWND owner, std::wstring_view text, std::wstring_view title, UINT flags) override;
  BOOL SndPlaySound(LPCSTR soundOrImage, UINT flags) override;
  HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                          INT show) override;
  BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) override { return Dialog(ofn, false); }
  BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) override { return Dialog(ofn, true); }

  // Boxes with this title so far.
  int Count(std::wstring_view title) const;

 private:
  BOOL Dialog(OPENFILENAMEW* ofn, bool save);
};

}  // namespace quorvel::testing
