#include "FindWindows.h"

#include <cstdio>

#include "Arguments.h"
#include "Text.h"

namespace quorvel::autodrive {
namespace {

BOOL CALLBACK CollectWindow(HWND h, LPARAM p) {
  reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
  return TRUE;
}

}  // namespace

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[256] = {};
  ::GetClassNameW(hwnd, buf, 256);
  return buf;
}

std::wstring TextOf(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
    Fail(L"window " + std::to_wstring(reinterpret_cast<UINT_PTR>(hwnd)) + L" does not answer WM_GETTEXTLENGTH");
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
    Fail(L"window does not answer WM_GETTEXT");
  text.resize(copied);
  return text;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> all;
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
  return all;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&all));
  return all;
}

std::wstring Describe(HWND h) {
  RECT r{};
  ::GetWindowRect(h, &r);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  wchar_t title[200] = {};
  ::GetWindowTextW(h, title, 200);
  return L"[" + ClassOf(h) + L"] \"" + Escaped(title) + L"\" id=" + std::to_wstring(::GetDlgCtrlID(h)) + L" pid=" +
         std::to_wstring(pid) + L" rect=" + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L" " +
         std::to_wstring(r.right - r.left) + L"x" + std::to_wstring(r.bottom - r.top) +
         (::IsWindowVisible(h) ? L"" : L" hidden") + (::IsWindowEnabled(h) ? L"" : L" disabled");
}

void ListTopLevelWindows() {
  std::fprintf(stderr, "autodrive: visible top-level windows now:\n");
  for (HWND h : TopLevelWindows())
    if (::IsWindowVisible(h)) std::fprintf(stderr, "  %s\n", win::Utf8(Describe(h)).c_str());
}

HWND FindTopLevel(const std::wstring& cls, const std::wstring& caption, bool visibleOnly) {
  for (HWND h : TopLevelWindows()) {
    if (visibleOnly && !::IsWindowVisible(h)) continue;
    if (cls != L"*" && !GlobMatch(cls.c_str(), ClassOf(h).c_str())) continue;
    wchar_t buf[512] = {};
    ::GetWindowTextW(h, buf, 512);
    if (caption != L"*" && !GlobMatch(caption.c_str(), buf)) continue;
    return h;
  }
  return nullptr;
}

RECT RelativeRect(HWND top, HWND h) {
  RECT r{};
  if (h == top) {
    ::GetClientRect(top, &r);
    return r;
  }
  ::GetWindowRect(h, &r);
  ::MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool WaitFor(int timeoutMs, const std::function<bool()>& probe) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    if (probe()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(25);
  }
}

win::Handle OpenProcessOf(HWND h, DWORD access) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  win::Handle process(::OpenProcess(access, FALSE, pid));
  if (!process) Fail(L"cannot open process " + std::to_wstring(pid));
  return process;
}

}  // namespace quorvel::autodrive
