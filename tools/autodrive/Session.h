#pragma once
// A session: windows bound by name, the process it started, control look-up (Session.cpp),
// and the commands that act on them (Commands.cpp).
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "Raii.h"

namespace quorvel::autodrive {

class Session {
 public:
  Session();

  // One command with its arguments; fails on an unknown command or too few arguments.
  void Run(const std::vector<std::wstring>& args);
  static void PrintUsage();

 private:
  using Command = void (Session::*)(const std::vector<std::wstring>&);
  struct Entry {
    Command command;
    size_t minArgs;
    const wchar_t* usage;
  };
  static const std::map<std::wstring, Entry>& Commands();

  double ElapsedMs() const;
  HWND Window(const std::wstring& ref);
  void Bind(HWND h, const std::vector<std::wstring>& args, size_t from);
  win::Handle ProcessOf(const std::wstring& ref, DWORD access);
  HWND Control(HWND top, const std::wstring& selectorWithIndex);
  HWND DialogButton(HWND dlg, int id);
  HWND Target(const std::vector<std::wstring>& args, size_t at);
  HWND WaitTopLevel(const std::wstring& cls, const std::wstring& caption, int timeoutMs, const wchar_t* what);
  void Click(HWND button);
  void WaitGone(HWND h, int timeoutMs, const std::wstring& what);

  void CmdStart(const std::vector<std::wstring>& a);
  void CmdWaitWindow(const std::vector<std::wstring>& a);
  void CmdWaitGone(const std::vector<std::wstring>& a);
  void CmdClick(const std::vector<std::wstring>& a);
  void CmdSetText(const std::vector<std::wstring>& a);
  void CmdGetText(const std::vector<std::wstring>& a);
  void CmdExpectText(const std::vector<std::wstring>& a);
  void CmdWaitText(const std::vector<std::wstring>& a);
  void CmdExpectEnabled(const std::vector<std::wstring>& a);
  void CmdExpectChecked(const std::vector<std::wstring>& a);
  void CmdWaitVisible(const std::vector<std::wstring>& a);
  void CmdAnswerBox(const std::vector<std::wstring>& a);
  void CmdFileDialog(const std::vector<std::wstring>& a);
  void CmdFolderDialog(const std::vector<std::wstring>& a);
  void CmdExpectRect(const std::vector<std::wstring>& a);
  void CmdGeometry(const std::vector<std::wstring>& a);
  void CmdClose(const std::vector<std::wstring>& a);
  void CmdWaitExit(const std::vector<std::wstring>& a);
  void CmdProcessStats(const std::vector<std::wstring>& a);
  void CmdWaitIdle(const std::vector<std::wstring>& a);
  void CmdSleep(const std::vector<std::wstring>& a);
  void CmdEcho(const std::vector<std::wstring>& a);
  void CmdExpectDrawn(const std::vector<std::wstring>& a);
  void CmdCapture(const std::vector<std::wstring>& a);
  void CmdCaptureDrawn(const std::vector<std::wstring>& a);
  void CmdPost(const std::vector<std::wstring>& a);
  void CmdSend(const std::vector<std::wstring>& a);

  // How long a control look-up waits.
  static constexpr int kControlTimeoutMs = 5000;

  double origin_ = 0;  // ms, the session's start or its program's
  std::map<std::wstring, HWND> names_;
  std::map<std::wstring, DWORD> pids_;
  HWND last_ = nullptr;
  win::Handle started_;
};

}  // namespace quorvel::autodrive
