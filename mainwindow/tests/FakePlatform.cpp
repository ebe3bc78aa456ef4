#include "FakePlatform.h"

#include <mmsystem.h>

namespace quorvel::testing {

int FakePlatform::MsgBox(HWND, std::wstring_view text, std::wstring_view title, UINT flags) {
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

BOOL FakePlatform::SndPlaySound(LPCSTR soundOrImage, UINT flags) {
  sounds.push_back((flags & SND_MEMORY) ? std::string("<memory>") : std::string(soundOrImage ? soundOrImage : ""));
  return TRUE;
}

HINSTANCE FakePlatform::ShellExecuteA(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT) {
  shellFiles.push_back(file ? file : "");
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

int FakePlatform::Count(std::wstring_view title) const {
  int n = 0;
  for (const Box& b : boxes)
    if (b.title == title) ++n;
  return n;
}

BOOL FakePlatform::Dialog(OPENFILENAMEW* ofn, bool save) {
  DialogCall call{save, ofn->lpstrTitle ? ofn->lpstrTitle : L"", L"", ofn->lpstrDefExt ? ofn->lpstrDefExt : L"",
                  ofn->lpstrFile ? ofn->lpstrFile : L"", ofn->Flags};
  if (const wchar_t* f = ofn->lpstrFilter) {
    while (*f) {
      if (!call.filter.empty()) call.filter += L'|';
      call.filter += f;
      f += wcslen(f) + 1;
    }
  }
  dialogs.push_back(call);
  if (dialogAnswers.empty() || dialogAnswers.front().cancel) {
    if (!dialogAnswers.empty()) dialogAnswers.pop_front();
    return FALSE;
  }
  const std::wstring name = dialogAnswers.front().name;
  dialogAnswers.pop_front();
  if (name.size() + 1 > ofn->nMaxFile) return FALSE;
  wcscpy(ofn->lpstrFile, name.c_str());
  return TRUE;
}

}  // namespace quorvel::testing
