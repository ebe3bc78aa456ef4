#include "Session.h"

#include <dlgs.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "Arguments.h"
#include "Clock.h"
#include "FindWindows.h"
#include "Library.h"
#include "PaintedText.h"
#include "Path.h"
#include "Raii.h"
#include "Text.h"

namespace quorvel::autodrive {
namespace {

// Handles a process holds, from the system's handle list (GetProcessHandleCount is a stub
// under Wine; the list is not).
DWORD HandleCount(HANDLE process, DWORD pid) {
  DWORD count = 0;
  if (::GetProcessHandleCount(process, &count) && count != 0) return count;
  using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
  const auto query = win::BindByName<QuerySystemInformation>(L"ntdll.dll", "NtQuerySystemInformation");
  if (!query) return 0;
  struct Entry {
    ULONG ownerPid;
    BYTE objectType, flags;
    USHORT value;
    void* object;
    ULONG access;
  };
  constexpr ULONG kSystemHandleInformation = 16;
  std::vector<BYTE> buffer(1 << 16);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) {
      const ULONG entries = *reinterpret_cast<ULONG*>(buffer.data());
      const auto* entry = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
      count = 0;
      for (ULONG i = 0; i < entries; ++i) count += entry[i].ownerPid == pid;
      return count;
    }
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
  }
  return 0;
}

// Windows of a process, top-level and child (USER objects under Wine's stubbed GetGuiResources).
DWORD WindowCount(DWORD pid) {
  DWORD count = 0;
  for (HWND top : TopLevelWindows()) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(top, &owner);
    if (owner != pid) continue;
    count += 1 + static_cast<DWORD>(Descendants(top).size());
  }
  return count;
}

}  // namespace

const std::map<std::wstring, Session::Entry>& Session::Commands() {
  static const std::map<std::wstring, Entry> table = {
      {L"start", {&Session::CmdStart, 1, L"start <exe> [args...]   (working folder: the exe's)"}},
      {L"wait-window", {&Session::CmdWaitWindow, 3, L"wait-window <class|*> <caption|glob> <timeoutMs> [as <name>]"}},
      {L"wait-gone", {&Session::CmdWaitGone, 2, L"wait-gone <window> <timeoutMs>"}},
      {L"click", {&Session::CmdClick, 2, L"click <window> <control>   (BM_CLICK, posted)"}},
      {L"set-text", {&Session::CmdSetText, 3, L"set-text <window> <control> <text>"}},
      {L"get-text", {&Session::CmdGetText, 2, L"get-text <window> <control>"}},
      {L"expect-text", {&Session::CmdExpectText, 3, L"expect-text <window> <control> <glob>"}},
      {L"wait-text", {&Session::CmdWaitText, 4, L"wait-text <window> <control> <glob> <timeoutMs>"}},
      {L"expect-enabled", {&Session::CmdExpectEnabled, 3, L"expect-enabled <window> <control> yes|no"}},
      {L"expect-checked", {&Session::CmdExpectChecked, 3, L"expect-checked <window> <control> yes|no"}},
      {L"wait-visible", {&Session::CmdWaitVisible, 4, L"wait-visible <window> <control> yes|no <timeoutMs>"}},
      {L"answer-box", {&Session::CmdAnswerBox, 3, L"answer-box <title> <button> <timeoutMs> [<expected text glob>]"}},
      {L"file-dialog", {&Session::CmdFileDialog, 3, L"file-dialog <title> <path> <timeoutMs>"}},
      {L"folder-dialog", {&Session::CmdFolderDialog, 3, L"folder-dialog <title|*> <path> <timeoutMs>"}},
      {L"expect-rect", {&Session::CmdExpectRect, 6, L"expect-rect <window> <control|.> <x> <y> <w> <h>"}},
      {L"geometry", {&Session::CmdGeometry, 2, L"geometry <window> <control|.>   (screen WxH+X+Y, for import -crop)"}},
      {L"close", {&Session::CmdClose, 1, L"close <window>   (WM_CLOSE, posted)"}},
      {L"wait-exit", {&Session::CmdWaitExit, 2, L"wait-exit <window|started> <timeoutMs>"}},
      {L"process-stats", {&Session::CmdProcessStats, 1, L"process-stats <window|started>"}},
      {L"wait-idle", {&Session::CmdWaitIdle, 2, L"wait-idle <window> <timeoutMs>"}},
      {L"sleep", {&Session::CmdSleep, 1, L"sleep <ms>"}},
      {L"echo", {&Session::CmdEcho, 0, L"echo <text...>"}},
      {L"capture", {&Session::CmdCapture, 2, L"capture <window> <file.bmp>   (its client area as seen on screen)"}},
      {L"capture-drawn",
       {&Session::CmdCaptureDrawn, 7,
        L"capture-drawn <window> <text> <font face> <points> <weight> <ms> <file.bmp>   (frames for ms, first with the text saved)"}},
      {L"post", {&Session::CmdPost, 5, L"post <window> <control|.> <msg> <wParam> <lParam>"}},
      {L"send", {&Session::CmdSend, 5, L"send <window> <control|.> <msg> <wParam> <lParam> [<expected result>]"}},
      {L"expect-drawn",
       {&Session::CmdExpectDrawn, 5,
        L"expect-drawn <window> <text> <font face> <points> <weight> [<timeoutMs>]   (text painted in the client area)"}},
  };
  return table;
}

void Session::Run(const std::vector<std::wstring>& args) {
  if (args.empty()) return;
  const auto& table = Commands();
  auto it = table.find(args[0]);
  if (it == table.end()) Fail(L"unknown command '" + args[0] + L"'");
  if (args.size() - 1 < it->second.minArgs) Fail(std::wstring(L"usage: ") + it->second.usage);
  (this->*(it->second.command))(args);
}

void Session::CmdStart(const std::vector<std::wstring>& a) {
  std::wstring commandLine;
  for (size_t i = 1; i < a.size(); ++i) commandLine += (i > 1 ? L" \"" : L"\"") + a[i] + L"\"";
  std::wstring folder = win::FolderOf(a[1]);
  if (folder.empty()) folder = L".";
  // The program gets NUL as its standard handles: under Wine a child would otherwise keep
  // the caller's pipe open, and a script reading this program's output would never end.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  win::Handle nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW si{sizeof si};
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = si.hStdOutput = si.hStdError = nul.get();
  PROCESS_INFORMATION pi{};
  origin_ = win::Milliseconds();
  if (!::CreateProcessW(a[1].c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si, &pi))
    Fail(L"cannot start " + a[1] + L" (error " + std::to_wstring(::GetLastError()) + L")");
  const win::Handle thread(pi.hThread);  // only the process is waited for
  started_.reset(pi.hProcess);
  Out(L"started pid " + std::to_wstring(pi.dwProcessId));
}

void Session::CmdWaitWindow(const std::vector<std::wstring>& a) {
  HWND h = WaitTopLevel(a[1], a[2], ToInt(a[3]), L"window");
  Bind(h, a, 4);
  wchar_t ms[32];
  std::swprintf(ms, 32, L"%.0f", ElapsedMs());
  Out(L"window " + Describe(h) + L" after " + ms + L" ms");
}

void Session::CmdWaitGone(const std::vector<std::wstring>& a) {
  HWND h = Window(a[1]);
  WaitGone(h, ToInt(a[2]), L"window '" + a[1] + L"'");
}

void Session::CmdClick(const std::vector<std::wstring>& a) { Click(Target(a, 1)); }

void Session::CmdSetText(const std::vector<std::wstring>& a) {
  HWND h = Target(a, 1);
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[3].c_str()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &result))
    Fail(L"control does not answer WM_SETTEXT: " + Describe(h));
}

void Session::CmdGetText(const std::vector<std::wstring>& a) { Out(Escaped(TextOf(Target(a, 1)))); }

void Session::CmdExpectText(const std::vector<std::wstring>& a) {
  const std::wstring text = TextOf(Target(a, 1));
  if (!GlobMatch(a[3].c_str(), text.c_str()))
    Fail(L"text of " + a[1] + L" " + a[2] + L" is \"" + Escaped(text) + L"\", expected \"" + a[3] + L"\"");
}

void Session::CmdWaitText(const std::vector<std::wstring>& a) {
  HWND h = Target(a, 1);
  std::wstring text;
  if (!WaitFor(ToInt(a[4]), [&] { return GlobMatch(a[3].c_str(), (text = TextOf(h)).c_str()); }))
    Fail(L"timed out waiting for the text of " + a[1] + L" " + a[2] + L" to read \"" + a[3] + L"\"; it reads \"" +
         Escaped(text) + L"\"");
}

void Session::CmdExpectEnabled(const std::vector<std::wstring>& a) {
  HWND h = Target(a, 1);
  const bool want = a[3] == L"yes";
  if ((::IsWindowEnabled(h) != FALSE) != want)
    Fail(a[1] + L" " + a[2] + L" is " + (want ? L"disabled" : L"enabled") + L", expected otherwise");
}

void Session::CmdExpectChecked(const std::vector<std::wstring>& a) {
  HWND h = Target(a, 1);
  DWORD_PTR state = 0;
  ::SendMessageTimeoutW(h, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state);
  const bool want = a[3] == L"yes";
  if ((state == BST_CHECKED) != want)
    Fail(a[1] + L" " + a[2] + L" is " + (want ? L"not checked" : L"checked") + L", expected otherwise");
}

void Session::CmdWaitVisible(const std::vector<std::wstring>& a) {
  HWND h = Target(a, 1);
  const bool want = a[3] == L"yes";
  if (!WaitFor(ToInt(a[4]), [&] { return (::IsWindowVisible(h) != FALSE) == want; }))
    Fail(L"timed out waiting for " + a[1] + L" " + a[2] + (want ? L" to be shown" : L" to be hidden"));
}

void Session::CmdAnswerBox(const std::vector<std::wstring>& a) {
  HWND box = WaitTopLevel(L"#32770", a[1], ToInt(a[3]), L"message box");
  last_ = box;
  // The message text is the static with id 0xFFFF; otherwise every static's text.
  std::wstring text;
  for (HWND h : Descendants(box)) {
    if (ClassOf(h) != L"Static") continue;
    if ((::GetDlgCtrlID(h) & 0xFFFF) == 0xFFFF) {
      text = TextOf(h);
      break;
    }
    const std::wstring t = TextOf(h);
    if (!t.empty()) text += (text.empty() ? L"" : L"\n") + t;
  }
  Out(L"box \"" + a[1] + L"\": " + Escaped(text));
  if (a.size() > 4 && !GlobMatch(a[4].c_str(), Escaped(text).c_str()))
    Fail(L"box \"" + a[1] + L"\" says \"" + Escaped(text) + L"\", expected \"" + a[4] + L"\"");
  Click(Control(box, a[2]));
  WaitGone(box, 5000, L"message box \"" + a[1] + L"\"");
}

void Session::CmdFileDialog(const std::vector<std::wstring>& a) {
  HWND dlg = WaitTopLevel(L"#32770", a[1], ToInt(a[3]), L"file dialog");
  last_ = dlg;
  // The file name box: the edit inside the combo box cmb13 of the explorer-style dialog, or
  // the edit edt1 of the old style.
  HWND name = nullptr;
  if (!WaitFor(kControlTimeoutMs, [&] {
        for (HWND h : Descendants(dlg)) {
          const int id = ::GetDlgCtrlID(h);
          if ((id == cmb13 || id == edt1) && ClassOf(h) == L"Edit" && ::IsWindowVisible(h)) {
            name = h;
            return true;
          }
        }
        return false;
      }))
    Fail(L"no file name box in the dialog \"" + a[1] + L"\"");
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[2].c_str()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &result);
  Click(DialogButton(dlg, IDOK));
  WaitGone(dlg, 10000, L"file dialog \"" + a[1] + L"\" (did it refuse \"" + a[2] + L"\"?)");
}

void Session::CmdFolderDialog(const std::vector<std::wstring>& a) {
  HWND dlg = WaitTopLevel(L"#32770", a[1], ToInt(a[3]), L"folder dialog");
  last_ = dlg;
  Control(dlg, L".SysTreeView32");  // the tree is filled when the dialog initialises
  // BFFM_SETSELECTIONW takes a path pointer, so the path goes into the dialog's own process.
  win::Handle process = OpenProcessOf(dlg, PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION);
  const SIZE_T bytes = (a[2].size() + 1) * sizeof(wchar_t);
  void* remote = ::VirtualAllocEx(process.get(), nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
  if (!remote) Fail(L"VirtualAllocEx failed in the folder dialog's process");
  ::WriteProcessMemory(process.get(), remote, a[2].c_str(), bytes, nullptr);
  DWORD_PTR result = 0;
  const BOOL answered = ::SendMessageTimeoutW(dlg, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote),
                                              SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
  ::VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  if (!answered) Fail(L"the folder dialog does not answer BFFM_SETSELECTION");
  Click(DialogButton(dlg, IDOK));
  WaitGone(dlg, 10000, L"folder dialog \"" + a[1] + L"\"");
}

void Session::CmdExpectRect(const std::vector<std::wstring>& a) {
  const RECT r = RelativeRect(Window(a[1]), Target(a, 1));
  const int got[4] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  static const wchar_t* names[4] = {L"x", L"y", L"width", L"height"};
  std::wstring wrong;
  for (int i = 0; i < 4; ++i)
    if (got[i] != ToInt(a[3 + i]))
      wrong += std::wstring(L" ") + names[i] + L" " + std::to_wstring(got[i]) + L" (expected " + a[3 + i] + L")";
  if (!wrong.empty()) Fail(L"rect of " + a[1] + L" " + a[2] + L":" + wrong);
}

void Session::CmdGeometry(const std::vector<std::wstring>& a) {
  HWND top = Window(a[1]);
  HWND h = Target(a, 1);
  RECT r = RelativeRect(top, h);
  ::MapWindowPoints(top, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
  Out(std::to_wstring(r.right - r.left) + L"x" + std::to_wstring(r.bottom - r.top) + L"+" + std::to_wstring(r.left) +
      L"+" + std::to_wstring(r.top));
}

void Session::CmdClose(const std::vector<std::wstring>& a) { ::PostMessageW(Window(a[1]), WM_CLOSE, 0, 0); }

void Session::CmdWaitExit(const std::vector<std::wstring>& a) {
  win::Handle process = ProcessOf(a[1], SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION);
  const int timeoutMs = ToInt(a[2]);
  if (::WaitForSingleObject(process.get(), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
    Fail(L"timed out after " + std::to_wstring(timeoutMs) + L" ms waiting for the process of '" + a[1] + L"' to end");
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  Out(L"exit code " + std::to_wstring(code));
}

void Session::CmdProcessStats(const std::vector<std::wstring>& a) {
  win::Handle own = ProcessOf(a[1], PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
  HANDLE process = own.get();
  const DWORD pid = ::GetProcessId(process);
  const DWORD gdi = ::GetGuiResources(process, GR_GDIOBJECTS);
  const DWORD user = ::GetGuiResources(process, GR_USEROBJECTS);
  PROCESS_MEMORY_COUNTERS_EX mem{};
  mem.cb = sizeof mem;
  ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem);
  Out(L"pid=" + std::to_wstring(pid) + L" handles=" + std::to_wstring(HandleCount(process, pid)) + L" gdi=" +
      std::to_wstring(gdi) + L" user=" + std::to_wstring(user) + L" windows=" + std::to_wstring(WindowCount(pid)) +
      L" workingset_kb=" + std::to_wstring(mem.WorkingSetSize / 1024) + L" private_kb=" +
      std::to_wstring(mem.PrivateUsage / 1024) + L" pagefile_kb=" + std::to_wstring(mem.PagefileUsage / 1024));
}

void Session::CmdWaitIdle(const std::vector<std::wstring>& a) {
  HWND h = Window(a[1]);
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(ToInt(a[2])), &result))
    Fail(L"window '" + a[1] + L"' did not process messages within " + a[2] + L" ms");
}

void Session::CmdSleep(const std::vector<std::wstring>& a) { ::Sleep(static_cast<DWORD>(ToInt(a[1]))); }

void Session::CmdEcho(const std::vector<std::wstring>& a) {
  std::wstring line;
  for (size_t i = 1; i < a.size(); ++i) line += (i > 1 ? L" " : L"") + a[i];
  Out(line);
}

void Session::CmdExpectDrawn(const std::vector<std::wstring>& a) {
  HWND h = Window(a[1]);
  const int timeoutMs = a.size() > 6 ? ToInt(a[6]) : 3000;
  std::optional<POINT> where;
  if (!WaitFor(timeoutMs, [&] {
        const Pixels shot = CaptureClient(h);
        const DWORD background = MostCommonColour(shot);
        where = FindTemplate(shot, RenderText(a[2], a[3], std::stod(a[4]), ToInt(a[5]), background), background);
        return where.has_value();
      }))
    Fail(L"the text \"" + a[2] + L"\" (" + a[3] + L" " + a[4] + L" pt, weight " + a[5] + L") is not painted in " +
         Describe(h));
  Out(L"drawn \"" + a[2] + L"\" at " + std::to_wstring(where->x) + L"," + std::to_wstring(where->y));
}

void Session::CmdCapture(const std::vector<std::wstring>& a) {
  const Pixels shot = CaptureClient(Window(a[1]));
  WriteBmp(shot, a[2]);
  Out(L"captured " + std::to_wstring(shot.width) + L"x" + std::to_wstring(shot.height) + L" into " + a[2]);
}

// For states that last a blink: frames are taken as fast as the screen allows for
// `timeoutMs` (60 at most), searched afterwards, and the first that shows the text is saved.
void Session::CmdCaptureDrawn(const std::vector<std::wstring>& a) {
  HWND h = Window(a[1]);
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(ToInt(a[6]));
  std::vector<Pixels> frames;
  while (frames.size() < 60 && ::GetTickCount64() < end) {
    frames.push_back(CaptureClient(h));
    ::Sleep(10);
  }
  for (const Pixels& frame : frames) {
    const DWORD background = MostCommonColour(frame);
    if (auto where = FindTemplate(frame, RenderText(a[2], a[3], std::stod(a[4]), ToInt(a[5]), background), background)) {
      WriteBmp(frame, a[7]);
      Out(L"drawn \"" + a[2] + L"\" at " + std::to_wstring(where->x) + L"," + std::to_wstring(where->y) +
          L", frame saved in " + a[7]);
      return;
    }
  }
  Fail(L"the text \"" + a[2] + L"\" is painted in none of " + std::to_wstring(frames.size()) + L" frames of " +
       Describe(h));
}

void Session::CmdPost(const std::vector<std::wstring>& a) {
  HWND h = Target(a, 1);
  if (!::PostMessageW(h, static_cast<UINT>(ToInt(a[3])), static_cast<WPARAM>(ToInt(a[4])),
                      static_cast<LPARAM>(ToInt(a[5]))))
    Fail(L"cannot post message " + a[3] + L" to " + Describe(h));
}

void Session::CmdSend(const std::vector<std::wstring>& a) {
  HWND h = Target(a, 1);
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(h, static_cast<UINT>(ToInt(a[3])), static_cast<WPARAM>(ToInt(a[4])),
                             static_cast<LPARAM>(ToInt(a[5])), SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
    Fail(L"no answer to message " + a[3] + L" from " + Describe(h));
  Out(L"result " + std::to_wstring(static_cast<long long>(static_cast<LONG_PTR>(result))));
  if (a.size() > 6 && static_cast<LONG_PTR>(result) != ToInt(a[6]))
    Fail(L"message " + a[3] + L" to " + a[1] + L" " + a[2] + L" answered " +
         std::to_wstring(static_cast<long long>(static_cast<LONG_PTR>(result))) + L", expected " + a[6]);
}

void Session::PrintUsage() {
  std::fprintf(stderr, "usage: autodrive \"command args\" ...  |  autodrive -f script  |  autodrive -\ncommands:\n");
  for (const auto& [name, entry] : Commands()) std::fprintf(stderr, "  %s\n", win::Utf8(entry.usage).c_str());
}

}  // namespace quorvel::autodrive
