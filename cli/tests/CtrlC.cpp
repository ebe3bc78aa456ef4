// Presses Ctrl+C while a program is in the middle of writing, as a user at its console would.
// usage: cli_ctrl_c FOLDER PROGRAM [ARGS...]
//
// Starts PROGRAM in a console of its own (shared with this program only) with standard input a
// pipe fed from here (4 MiB, then a pause); standard output and error are this program's. Once a
// temporary file (".*.tmp") in FOLDER holds bytes, a module is half written: sends CTRL_C_EVENT
// to the console, then feeds on (at most 256 MiB more, then the pipe ends) so that PROGRAM, if it
// waits for input, goes on and sees it. Exits with PROGRAM's exit code, or 250 and up when this
// program itself failed.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "Raii.h"

namespace {

constexpr int kNoConsole = 250;
constexpr int kNotStarted = 251;
constexpr int kNoTemporaryFile = 252;
constexpr int kNotEnded = 253;
constexpr DWORD kWaitMs = 60000;
constexpr DWORD kPollMs = 10;
constexpr std::size_t kBlock = 64 << 10;
constexpr std::size_t kBeforeCtrlC = 4 << 20;
constexpr std::size_t kAfterCtrlC = 256 << 20;

// This program stays: the event is meant for the program it started.
BOOL WINAPI Swallow(DWORD event) { return event == CTRL_C_EVENT; }

// One argument as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

bool TemporaryFileHoldsBytes(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  const quorvel::win::FindHandle find(FindFirstFileW((folder + L"\\.*.tmp").c_str(), &found));
  if (!find) return false;
  bool bytes = false;
  do bytes = bytes || found.nFileSizeLow != 0 || found.nFileSizeHigh != 0;
  while (FindNextFileW(find.get(), &found));
  return bytes;
}

// Writes `count` bytes of a module-worthy pattern; false once the reader is gone.
bool Feed(HANDLE pipe, std::size_t count) {
  static const std::vector<char> block = [] {
    std::vector<char> b(kBlock);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>(i * 7);
    return b;
  }();
  while (count) {
    DWORD put = 0;
    if (!WriteFile(pipe, block.data(), static_cast<DWORD>(std::min(count, block.size())), &put, nullptr)) return false;
    count -= put;
  }
  return true;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 3) {
    std::fputs("usage: cli_ctrl_c FOLDER PROGRAM [ARGS...]\n", stderr);
    return kNotStarted;
  }
  const std::wstring folder = argv[1];
  std::wstring commandLine;
  for (int i = 2; i < argc; ++i) commandLine += (i > 2 ? L" " : L"") + Quoted(argv[i]);

  // A console of its own: the event reaches this program and PROGRAM, never whoever started us.
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  FreeConsole();
  if (!AllocConsole() || !SetConsoleCtrlHandler(Swallow, TRUE)) {
    std::fprintf(stderr, "cli_ctrl_c: no console (error %lu)\n", GetLastError());
    return kNoConsole;
  }

  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  quorvel::win::Handle readEnd, writeEnd;
  if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0) ||
      !SetHandleInformation(writeEnd.get(), HANDLE_FLAG_INHERIT, 0)) {
    std::fprintf(stderr, "cli_ctrl_c: no pipe (error %lu)\n", GetLastError());
    return kNotStarted;
  }
  quorvel::win::Handle childOut, childErr;
  DuplicateHandle(GetCurrentProcess(), out, GetCurrentProcess(), childOut.put(), 0, TRUE, DUPLICATE_SAME_ACCESS);
  DuplicateHandle(GetCurrentProcess(), err, GetCurrentProcess(), childErr.put(), 0, TRUE, DUPLICATE_SAME_ACCESS);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd.get();
  startup.hStdOutput = childOut.get();
  startup.hStdError = childErr.get();
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
    std::fprintf(stderr, "cli_ctrl_c: could not start the program (error %lu)\n", GetLastError());
    return kNotStarted;
  }
  const quorvel::win::Handle process(started.hProcess), thread(started.hThread);
  readEnd.reset();
  childOut.reset();
  childErr.reset();

  // A program that reads no standard input leaves the feeder blocked until it ends.
  std::atomic<bool> sent{false};
  std::thread feeder([&] {
    if (Feed(writeEnd.get(), kBeforeCtrlC)) {
      while (!sent && WaitForSingleObject(process.get(), kPollMs) == WAIT_TIMEOUT) {}
      Feed(writeEnd.get(), kAfterCtrlC);
    }
    writeEnd.reset();  // the end of the input
  });

  int result = 0;
  const ULONGLONG deadline = GetTickCount64() + kWaitMs;
  while (!TemporaryFileHoldsBytes(folder)) {
    if (GetTickCount64() > deadline || WaitForSingleObject(process.get(), kPollMs) != WAIT_TIMEOUT) {
      std::fputs("cli_ctrl_c: no temporary file with bytes appeared in FOLDER\n", stderr);
      result = kNoTemporaryFile;
      break;
    }
  }
  if (result == 0 && !GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
    std::fprintf(stderr, "cli_ctrl_c: Ctrl+C not sent (error %lu)\n", GetLastError());
    result = kNoConsole;
  }
  if (result != 0) TerminateProcess(process.get(), static_cast<UINT>(result));
  sent = true;
  if (WaitForSingleObject(process.get(), kWaitMs) != WAIT_OBJECT_0) {
    std::fputs("cli_ctrl_c: the program did not end\n", stderr);
    TerminateProcess(process.get(), kNotEnded);
    WaitForSingleObject(process.get(), kWaitMs);
    result = kNotEnded;
  }
  feeder.join();
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return result != 0 ? result : static_cast<int>(code);
}
