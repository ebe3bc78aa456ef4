// autodrive: drives other programs' windows from outside, the way a person would, for the
// end-to-end tests. Every wait is bounded; any failure prints what was awaited, lists the
// open top-level windows and ends with exit code 1.
//
//   autodrive "command arg ..." ["command arg ..." ...]   one command per argument
//   autodrive -f script.txt | autodrive -                 one command per line
//
// Arguments are split at blanks; "double quotes" group (backslashes are literal, for paths).
// A window is a name bound by `as <name>`, or `@` for the last window found.
// A control is a caption ("Start", "&" ignored), `#<id>`, or `.<Class>`; `[n]` picks the
// n-th match (1-based, in z-order), e.g. `Browse[2]`, `.Edit[1]`, `#1001`; `.` alone is the
// window itself. `started` names the process of the session's `start` command.
// Without arguments autodrive lists its commands.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Session.h"
#include "FindWindows.h"
#include "Text.h"

using namespace quorvel::autodrive;
using quorvel::win::Utf8;

int wmain(int argc, wchar_t** argv) {
  // Plain LF line ends: the output is read by shell scripts.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::wstring> lines;
  if (argc >= 3 && std::wstring(argv[1]) == L"-f") {
    FILE* f = _wfopen(argv[2], L"rb");
    if (!f) {
      std::fprintf(stderr, "autodrive: cannot open script %s\n", Utf8(argv[2]).c_str());
      return 2;
    }
    lines = ReadLines(f);
    std::fclose(f);
  } else if (argc == 2 && std::wstring(argv[1]) == L"-") {
    lines = ReadLines(stdin);
  } else if (argc >= 2) {
    for (int i = 1; i < argc; ++i) lines.emplace_back(argv[i]);
  } else {
    Session::PrintUsage();
    return 2;
  }

  Session session;
  // AUTODRIVE_TRACE=1: every command with the time it started, on stderr.
  const bool trace = _wgetenv(L"AUTODRIVE_TRACE") != nullptr;
  const ULONGLONG begin = ::GetTickCount64();
  int lineNumber = 0;
  for (const std::wstring& line : lines) {
    ++lineNumber;
    std::vector<std::wstring> args;
    try {
      args = SplitArgs(line);
      if (args.empty() || args[0][0] == L'#') continue;
      if (trace) std::fprintf(stderr, "[%6llu ms] %s\n", ::GetTickCount64() - begin, Utf8(line).c_str());
      session.Run(args);
    } catch (const Failure& failure) {
      std::fprintf(stderr, "autodrive: FAILED at command %d: %s\n  %s\n", lineNumber, Utf8(line).c_str(),
                   failure.what());
      ListTopLevelWindows();
      return 1;
    }
  }
  return 0;
}
