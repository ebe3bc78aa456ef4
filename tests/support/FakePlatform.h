#pragma once
// A platform for tests: answers message boxes and file dialogs from scripts and records every
// box, dialog, sound and shell call. Put it in force with a ScopedPlatform.
#include <windows.h>
#include <mmsystem.h>

#include <cwchar>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"

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

struct SoundCall {
  std::string file;             // empty for a sound played from memory
  const void* image = nullptr;  // the WAV image for SND_MEMORY
  UINT flags = 0;
};

struct ShellCall {
  HWND owner;
  std::string verb, file, parameters, directory;  // "(null)" for a null pointer
  INT show;
};

class FakePlatform : public Platform {
 public:
  // Answers for boxes, in order; IDOK (IDYES for Yes/No) when the script is empty.
  std::deque<int> boxAnswers;
  // Answers for the open and save dialogs, in order; Cancel when the script is empty.
  struct Choice {
    bool cancel = false;
    std::wstring name;
  };
  std::deque<Choice> dialogAnswers;
  // Called with each box as it is shown (before it is answered).
  std::function<void(const Box&)> onBox;
  // The folder the program runs from, as App::Path reports it; empty: the real one.
  std::wstring programFolder;

  std::vector<Box> boxes;
  std::vector<DialogCall> dialogs;
  std::vector<SoundCall> sounds;
  std::vector<ShellCall> shellCalls;

  int MsgBox(HWND, std::wstring_view text, std::wstring_view title, UINT flags) override {
    Box box{std::wstring(text), std::wstring(title), flags};
    boxes.push_back(box);
    if (onBox) onBox(box);
    if (!boxAnswers.empty()) {
      const int answer = boxAnswers.front();
      boxAnswers.pop_front();
      return answer;
    }
    return (flags & 0xF) == MB_YESNO ? IDYES : IDOK;
  }

  BOOL SndPlaySound(LPCSTR soundOrImage, UINT flags) override {
    if (flags & SND_MEMORY)
      sounds.push_back({{}, soundOrImage, flags});
    else
      sounds.push_back({soundOrImage ? soundOrImage : "", nullptr, flags});
    return TRUE;
  }

  HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                          INT show) override {
    auto text = [](LPCSTR s) { return std::string(s ? s : "(null)"); };
    shellCalls.push_back({owner, text(verb), text(file), text(parameters), text(directory), show});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
  }

  std::wstring ProgramFile() override {
    if (programFolder.empty()) return Platform::ProgramFile();
    return programFolder + (programFolder.back() == L'\\' ? L"" : L"\\") + L"Quorvel.exe";
  }

  BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) override { return Dialog(ofn, false); }
  BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) override { return Dialog(ofn, true); }

  // Boxes with this title so far.
  int Count(std::wstring_view title) const {
    int n = 0;
    for (const Box& b : boxes) n += b.title == title ? 1 : 0;
    return n;
  }

 private:
  BOOL Dialog(OPENFILENAMEW* ofn, bool save) {
    DialogCall call{save, ofn->lpstrTitle ? ofn->lpstrTitle : L"", L"", ofn->lpstrDefExt ? ofn->lpstrDefExt : L"",
                    ofn->lpstrFile ? ofn->lpstrFile : L"", ofn->Flags};
    if (const wchar_t* f = ofn->lpstrFilter) {
      while (*f) {
        if (!call.filter.empty()) call.filter += L'|';
        call.filter += f;
        f += std::wcslen(f) + 1;
      }
    }
    dialogs.push_back(call);
    if (dialogAnswers.empty()) return FALSE;
    const Choice choice = dialogAnswers.front();
    dialogAnswers.pop_front();
    if (choice.cancel || choice.name.size() + 1 > ofn->nMaxFile) return FALSE;
    std::wcscpy(ofn->lpstrFile, choice.name.c_str());
    return TRUE;
  }
};

}  // namespace quorvel::testing
