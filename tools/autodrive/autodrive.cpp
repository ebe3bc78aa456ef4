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
#include <dlgs.h>
#include <psapi.h>
#include <shlobj.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Raii.h"

namespace {

using quorvel::win::Handle;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// ---- text -------------------------------------------------------------------------------

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string s(n, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

void Out(const std::wstring& line) {
  const std::string s = Utf8(line) + "\n";
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fflush(stdout);
}

[[noreturn]] void Fail(const std::wstring& message) { throw Failure(Utf8(message)); }

// Visible text of a line: CR LF as \r\n, so a multi-line box prints on one line.
std::wstring Escaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\r') out += L"\\r";
    else if (c == L'\n') out += L"\\n";
    else out += c;
  }
  return out;
}

std::wstring WithoutAmpersands(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

// `*` matches any run of characters, case ignored; iterative, so long texts cost no stack.
bool GlobMatch(const wchar_t* pattern, const wchar_t* text) {
  const wchar_t* star = nullptr;
  const wchar_t* resume = nullptr;
  while (*text) {
    if (*pattern == L'*') {
      star = pattern++;
      resume = text;
    } else if (*pattern && std::towlower(*pattern) == std::towlower(*text)) {
      ++pattern, ++text;
    } else if (star) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == L'*') ++pattern;
  return *pattern == 0;
}

std::vector<std::wstring> SplitArgs(const std::wstring& line) {
  std::vector<std::wstring> args;
  std::wstring current;
  bool quoted = false, any = false;
  for (wchar_t c : line) {
    if (c == L'"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n')) {
      if (any) args.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (quoted) Fail(L"unbalanced quotes in: " + line);
  if (any) args.push_back(current);
  return args;
}

int ToInt(const std::wstring& s) {
  try {
    size_t used = 0;
    const int v = std::stoi(s, &used, 0);
    if (used == s.size()) return v;
  } catch (const std::exception&) {
  }
  Fail(L"not a number: " + s);
}

// ---- windows ----------------------------------------------------------------------------

constexpr UINT kSendTimeoutMs = 5000;

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[256] = {};
  ::GetClassNameW(hwnd, buf, 256);
  return buf;
}

// Text of a window in another process, through the system's marshalled WM_GETTEXT.
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

BOOL CALLBACK CollectWindow(HWND h, LPARAM p) {
  reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
  return TRUE;
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
  std::wstring title;
  wchar_t buf[200] = {};
  ::GetWindowTextW(h, buf, 200);
  title = buf;
  return L"[" + ClassOf(h) + L"] \"" + Escaped(title) + L"\" id=" +
         std::to_wstring(::GetDlgCtrlID(h)) + L" pid=" + std::to_wstring(pid) + L" rect=" +
         std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L" " + std::to_wstring(r.right - r.left) +
         L"x" + std::to_wstring(r.bottom - r.top) + (::IsWindowVisible(h) ? L"" : L" hidden") +
         (::IsWindowEnabled(h) ? L"" : L" disabled");
}

void ListTopLevelWindows() {
  std::fprintf(stderr, "autodrive: visible top-level windows now:\n");
  for (HWND h : TopLevelWindows())
    if (::IsWindowVisible(h)) std::fprintf(stderr, "  %s\n", Utf8(Describe(h)).c_str());
}


// ---- painted text ---------------------------------------------------------------------------
// Labels that a window paints itself have no window to ask for their text. The text is
// rendered here with the same font on the window's own background and searched for in a
// capture of the window's client area.

struct Pixels {
  int width = 0, height = 0;
  std::vector<DWORD> data;  // 0x00RRGGBB, top-down
  DWORD at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};

class DibSection {
 public:
  DibSection(HDC compatible, int width, int height) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bitmap_.reset(::CreateDIBSection(compatible, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0));
    dc_ = ::CreateCompatibleDC(compatible);
    if (!bitmap_ || !dc_) Fail(L"cannot create a bitmap for capturing");
    old_ = ::SelectObject(dc_, bitmap_.get());
  }
  ~DibSection() {
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  DibSection(const DibSection&) = delete;
  DibSection& operator=(const DibSection&) = delete;
  HDC dc() const { return dc_; }
  Pixels Read() const {
    ::GdiFlush();
    Pixels p{width_, height_, {}};
    const auto* bits = static_cast<const DWORD*>(bits_);
    p.data.assign(bits, bits + static_cast<size_t>(width_) * height_);
    for (DWORD& v : p.data) v &= 0xFFFFFF;
    return p;
  }

 private:
  int width_, height_;
  quorvel::win::Bitmap bitmap_;
  void* bits_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

Pixels CaptureClient(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  POINT origin{0, 0};
  ::ClientToScreen(hwnd, &origin);
  HDC screen = ::GetDC(nullptr);
  DibSection dib(screen, r.right, r.bottom);
  ::BitBlt(dib.dc(), 0, 0, r.right, r.bottom, screen, origin.x, origin.y, SRCCOPY);
  ::ReleaseDC(nullptr, screen);
  return dib.Read();
}

DWORD MostCommonColour(const Pixels& p) {
  std::map<DWORD, size_t> counts;
  for (DWORD v : p.data) ++counts[v];
  DWORD best = 0;
  size_t most = 0;
  for (const auto& [colour, n] : counts)
    if (n > most) best = colour, most = n;
  return best;
}

bool Differ(DWORD a, DWORD b) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > 48 || d < -48) return true;
  }
  return false;
}

// The text drawn in black on `background`, cropped to its ink.
Pixels RenderText(const std::wstring& text, const std::wstring& face, double points, int weight, DWORD background) {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  quorvel::win::Font font(::CreateFontW(-static_cast<int>(points * dpi / 72.0 + 0.5), 0, 0, 0, weight, FALSE, FALSE,
                                        FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
  DibSection dib(screen, 1200, 120);
  ::ReleaseDC(nullptr, screen);
  const COLORREF bg = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
  quorvel::win::Brush brush(::CreateSolidBrush(bg));
  RECT all{0, 0, 1200, 120};
  ::FillRect(dib.dc(), &all, brush.get());
  HGDIOBJ old = ::SelectObject(dib.dc(), font.get());
  ::SetBkMode(dib.dc(), TRANSPARENT);
  ::SetTextColor(dib.dc(), RGB(0, 0, 0));
  RECT box{8, 8, 1192, 112};
  ::DrawTextW(dib.dc(), text.c_str(), static_cast<int>(text.size()), &box, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  ::SelectObject(dib.dc(), old);
  const Pixels full = dib.Read();
  int left = full.width, top = full.height, right = -1, bottom = -1;
  for (int y = 0; y < full.height; ++y)
    for (int x = 0; x < full.width; ++x)
      if (Differ(full.at(x, y), background)) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  if (right < 0) Fail(L"the text \"" + text + L"\" renders to nothing");
  Pixels t{right - left + 1, bottom - top + 1, {}};
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) t.data.push_back(full.at(x, y));
  return t;
}

// Where the template lies in the capture (ink pixels compared, 3% of them may differ).
std::optional<POINT> FindTemplate(const Pixels& hay, const Pixels& needle, DWORD background) {
  std::vector<std::pair<POINT, DWORD>> ink;
  for (int y = 0; y < needle.height; ++y)
    for (int x = 0; x < needle.width; ++x)
      if (Differ(needle.at(x, y), background)) ink.push_back({POINT{x, y}, needle.at(x, y)});
  const size_t allowed = ink.size() * 3 / 100;
  for (int y = 0; y + needle.height <= hay.height; ++y)
    for (int x = 0; x + needle.width <= hay.width; ++x) {
      size_t wrong = 0;
      for (const auto& [pt, colour] : ink)
        if (Differ(hay.at(x + pt.x, y + pt.y), colour) && ++wrong > allowed) break;
      if (wrong <= allowed) {
        // The ground around the ink must be ground too, or "1" would be found inside "10".
        size_t stray = 0;
        for (int ty = 0; ty < needle.height; ++ty)
          for (int tx = 0; tx < needle.width; ++tx)
            if (!Differ(needle.at(tx, ty), background) && Differ(hay.at(x + tx, y + ty), background)) ++stray;
        if (stray <= allowed) return POINT{x, y};
      }
    }
  return std::nullopt;
}

// ---- the session ------------------------------------------------------------------------

class Session {
 public:
  Session() {
    ::QueryPerformanceFrequency(&frequency_);
    ::QueryPerformanceCounter(&origin_);
  }

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

  double ElapsedMs() const {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - origin_.QuadPart) / static_cast<double>(frequency_.QuadPart);
  }

  // Polls `probe` until it returns true or `timeoutMs` passes; pumps this thread's queue.
  bool WaitFor(int timeoutMs, const std::function<bool()>& probe) {
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
      if (probe()) return true;
      if (::GetTickCount64() >= end) return false;
      ::Sleep(25);
    }
  }

  HWND Window(const std::wstring& ref) {
    if (ref == L"@") {
      if (!last_ || !::IsWindow(last_)) Fail(L"no last window (@) to use");
      return last_;
    }
    auto it = names_.find(ref);
    if (it == names_.end()) Fail(L"no window bound to the name '" + ref + L"' (use wait-window ... as " + ref + L")");
    if (!::IsWindow(it->second)) Fail(L"window '" + ref + L"' is gone");
    return it->second;
  }

  void Bind(HWND h, const std::vector<std::wstring>& args, size_t from) {
    last_ = h;
    if (args.size() >= from + 2 && args[from] == L"as") {
      names_[args[from + 1]] = h;
      DWORD pid = 0;
      ::GetWindowThreadProcessId(h, &pid);
      pids_[args[from + 1]] = pid;
    }
  }

  // The process of a bound window, also after the window has gone.
  Handle ProcessOf(const std::wstring& ref, DWORD access) {
    if (ref == L"started") {
      if (!started_) Fail(L"nothing was started in this session");
      HANDLE copy = nullptr;
      ::DuplicateHandle(::GetCurrentProcess(), started_.get(), ::GetCurrentProcess(), &copy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
      return Handle(copy);
    }
    auto it = pids_.find(ref);
    if (it == pids_.end()) return OpenProcessOf(Window(ref), access);
    Handle process(::OpenProcess(access, FALSE, it->second));
    if (!process) Fail(L"cannot open the process of '" + ref + L"' (pid " + std::to_wstring(it->second) + L")");
    return process;
  }

  // Finds a control of `top` by selector; waits up to the session's control timeout.
  HWND Control(HWND top, const std::wstring& selectorWithIndex) {
    std::wstring selector = selectorWithIndex;
    int index = 1;
    if (selector.size() > 3 && selector.back() == L']') {
      const size_t open = selector.rfind(L'[');
      if (open != std::wstring::npos) {
        index = ToInt(selector.substr(open + 1, selector.size() - open - 2));
        selector = selector.substr(0, open);
      }
    }
    HWND found = nullptr;
    auto probe = [&] {
      int seen = 0;
      for (HWND h : Descendants(top)) {
        bool match = false;
        if (selector.size() > 1 && selector[0] == L'#') {
          match = ::GetDlgCtrlID(h) == ToInt(selector.substr(1));
        } else if (selector.size() > 1 && selector[0] == L'.') {
          match = GlobMatch(selector.c_str() + 1, ClassOf(h).c_str());
        } else {
          wchar_t buf[512] = {};
          ::GetWindowTextW(h, buf, 512);  // captions of controls are readable across processes
          match = WithoutAmpersands(buf) == WithoutAmpersands(selector);
        }
        if (match && ++seen == index) {
          found = h;
          return true;
        }
      }
      return false;
    };
    if (!WaitFor(controlTimeoutMs_, probe)) {
      std::wstring msg = L"no control '" + selectorWithIndex + L"' in window " + Describe(top) + L"; its controls:";
      for (HWND h : Descendants(top)) msg += L"\n    " + Describe(h);
      Fail(msg);
    }
    return found;
  }

  // The push button with the given id (lists and toolbars in dialogs may share id 1).
  HWND DialogButton(HWND dlg, int id) {
    HWND found = nullptr;
    if (!WaitFor(controlTimeoutMs_, [&] {
          for (HWND h : Descendants(dlg))
            if (::GetDlgCtrlID(h) == id && ClassOf(h) == L"Button") return (found = h) != nullptr;
          return false;
        }))
      Fail(L"no button " + std::to_wstring(id) + L" in " + Describe(dlg));
    return found;
  }

  // A control, or the window itself for ".".
  HWND Target(const std::vector<std::wstring>& args, size_t at) {
    HWND top = Window(args[at]);
    return args[at + 1] == L"." ? top : Control(top, args[at + 1]);
  }

  // Client-relative rectangle of `h` in the client area of `top`.
  static RECT RelativeRect(HWND top, HWND h) {
    RECT r{};
    if (h == top) {
      ::GetClientRect(top, &r);
      return r;
    }
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
    return r;
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

  HWND WaitTopLevel(const std::wstring& cls, const std::wstring& caption, int timeoutMs, const wchar_t* what) {
    HWND found = nullptr;
    if (!WaitFor(timeoutMs, [&] { return (found = FindTopLevel(cls, caption, true)) != nullptr; }))
      Fail(std::wstring(L"timed out after ") + std::to_wstring(timeoutMs) + L" ms waiting for " + what + L" [" +
           cls + L"] \"" + caption + L"\"");
    return found;
  }

  void Click(HWND button) {
    // A person waits for a button to come alive; the session's control timeout bounds it.
    if (!WaitFor(controlTimeoutMs_, [&] { return ::IsWindowEnabled(button) != FALSE; }))
      Fail(L"cannot click a control that stays disabled: " + Describe(button));
    // Posted: the click may open a modal loop in the target that returns much later.
    ::PostMessageW(button, BM_CLICK, 0, 0);
  }

  void WaitGone(HWND h, int timeoutMs, const std::wstring& what) {
    if (!WaitFor(timeoutMs, [&] { return !::IsWindow(h) || !::IsWindowVisible(h); }))
      Fail(L"timed out after " + std::to_wstring(timeoutMs) + L" ms waiting for " + what + L" to close");
  }

  Handle OpenProcessOf(HWND h, DWORD access) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    Handle process(::OpenProcess(access, FALSE, pid));
    if (!process) Fail(L"cannot open process " + std::to_wstring(pid));
    return process;
  }

  // Commands --------------------------------------------------------------------------------
  void CmdStart(const std::vector<std::wstring>& a);
  void CmdWaitWindow(const std::vector<std::wstring>& a);
  void CmdWaitGone(const std::vector<std::wstring>& a);
  void CmdClick(const std::vector<std::wstring>& a);
  void CmdMouseClick(const std::vector<std::wstring>& a);
  void CmdSetText(const std::vector<std::wstring>& a);
  void CmdTypeText(const std::vector<std::wstring>& a);
  void CmdKey(const std::vector<std::wstring>& a);
  void CmdGetText(const std::vector<std::wstring>& a);
  void CmdExpectText(const std::vector<std::wstring>& a);
  void CmdWaitText(const std::vector<std::wstring>& a);
  void CmdExpectEnabled(const std::vector<std::wstring>& a);
  void CmdExpectChecked(const std::vector<std::wstring>& a);
  void CmdWaitVisible(const std::vector<std::wstring>& a);
  void CmdAnswerBox(const std::vector<std::wstring>& a);
  void CmdFileDialog(const std::vector<std::wstring>& a);
  void CmdFolderDialog(const std::vector<std::wstring>& a);
  void CmdRect(const std::vector<std::wstring>& a);
  void CmdExpectRect(const std::vector<std::wstring>& a);
  void CmdGeometry(const std::vector<std::wstring>& a);
  void CmdClose(const std::vector<std::wstring>& a);
  void CmdWaitExit(const std::vector<std::wstring>& a);
  void CmdProcessStats(const std::vector<std::wstring>& a);
  void CmdWaitIdle(const std::vector<std::wstring>& a);
  void CmdDump(const std::vector<std::wstring>& a);
  void CmdSleep(const std::vector<std::wstring>& a);
  void CmdEcho(const std::vector<std::wstring>& a);
  void CmdTimeout(const std::vector<std::wstring>& a);
  void CmdFocus(const std::vector<std::wstring>& a);
  void CmdExpectDrawn(const std::vector<std::wstring>& a);
  void CmdSend(const std::vector<std::wstring>& a);
  void CmdCapture(const std::vector<std::wstring>& a);
  void CmdPost(const std::vector<std::wstring>& a);
  void CmdCaptureDrawn(const std::vector<std::wstring>& a);

  LARGE_INTEGER frequency_{}, origin_{};
  std::map<std::wstring, HWND> names_;
  std::map<std::wstring, DWORD> pids_;
  HWND last_ = nullptr;
  Handle started_;
  int controlTimeoutMs_ = 5000;
};

const std::map<std::wstring, Session::Entry>& Session::Commands() {
  static const std::map<std::wstring, Entry> table = {
      {L"start", {&Session::CmdStart, 1, L"start <exe> [args...]   (working folder: the exe's)"}},
      {L"wait-window", {&Session::CmdWaitWindow, 3, L"wait-window <class|*> <caption|glob> <timeoutMs> [as <name>]"}},
      {L"wait-gone", {&Session::CmdWaitGone, 2, L"wait-gone <window> <timeoutMs>"}},
      {L"click", {&Session::CmdClick, 2, L"click <window> <control>   (BM_CLICK, posted)"}},
      {L"mouse-click", {&Session::CmdMouseClick, 2, L"mouse-click <window> <control>   (SendInput at its centre)"}},
      {L"set-text", {&Session::CmdSetText, 3, L"set-text <window> <control> <text>"}},
      {L"type-text", {&Session::CmdTypeText, 3, L"type-text <window> <control> <text>   (WM_CHAR per character)"}},
      {L"key", {&Session::CmdKey, 3, L"key <window> <control> <vk: RETURN TAB ESCAPE SPACE or a number>"}},
      {L"get-text", {&Session::CmdGetText, 2, L"get-text <window> <control>"}},
      {L"expect-text", {&Session::CmdExpectText, 3, L"expect-text <window> <control> <glob>"}},
      {L"wait-text", {&Session::CmdWaitText, 4, L"wait-text <window> <control> <glob> <timeoutMs>"}},
      {L"expect-enabled", {&Session::CmdExpectEnabled, 3, L"expect-enabled <window> <control> yes|no"}},
      {L"expect-checked", {&Session::CmdExpectChecked, 3, L"expect-checked <window> <control> yes|no"}},
      {L"wait-visible", {&Session::CmdWaitVisible, 4, L"wait-visible <window> <control> yes|no <timeoutMs>"}},
      {L"answer-box", {&Session::CmdAnswerBox, 3, L"answer-box <title> <button> <timeoutMs> [<expected text glob>]"}},
      {L"file-dialog", {&Session::CmdFileDialog, 3, L"file-dialog <title> <path> <timeoutMs>"}},
      {L"folder-dialog", {&Session::CmdFolderDialog, 3, L"folder-dialog <title|*> <path> <timeoutMs>"}},
      {L"rect", {&Session::CmdRect, 2, L"rect <window> <control|.>   (pixels, relative to the window's client area)"}},
      {L"expect-rect", {&Session::CmdExpectRect, 6, L"expect-rect <window> <control|.> <x> <y> <w> <h>"}},
      {L"geometry", {&Session::CmdGeometry, 2, L"geometry <window> <control|.>   (screen WxH+X+Y, for import -crop)"}},
      {L"close", {&Session::CmdClose, 1, L"close <window>   (WM_CLOSE, posted)"}},
      {L"wait-exit", {&Session::CmdWaitExit, 2, L"wait-exit <window|started> <timeoutMs>"}},
      {L"process-stats", {&Session::CmdProcessStats, 1, L"process-stats <window|started>"}},
      {L"wait-idle", {&Session::CmdWaitIdle, 2, L"wait-idle <window> <timeoutMs>"}},
      {L"dump", {&Session::CmdDump, 1, L"dump <window>"}},
      {L"sleep", {&Session::CmdSleep, 1, L"sleep <ms>"}},
      {L"echo", {&Session::CmdEcho, 0, L"echo <text...>"}},
      {L"timeout", {&Session::CmdTimeout, 1, L"timeout <ms>   (how long control look-ups wait; 5000 at start)"}},
      {L"focus", {&Session::CmdFocus, 1, L"focus <window>   (bring to the foreground)"}},
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
  std::wstring folder = a[1];
  const size_t slash = folder.find_last_of(L"\\/");
  folder = slash == std::wstring::npos ? L"." : folder.substr(0, slash);
  // The program gets NUL as its standard handles: under Wine a child would otherwise keep
  // the caller's pipe open, and a script reading this program's output would never end.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW si{sizeof si};
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = si.hStdOutput = si.hStdError = nul.get();
  PROCESS_INFORMATION pi{};
  ::QueryPerformanceCounter(&origin_);
  if (!::CreateProcessW(a[1].c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si, &pi))
    Fail(L"cannot start " + a[1] + L" (error " + std::to_wstring(::GetLastError()) + L")");
  ::CloseHandle(pi.hThread);
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

void Session::CmdMouseClick(const std::vector<std::wstring>& a) {
  HWND top = Window(a[1]);
  HWND h = Target(a, 1);
  ::SetForegroundWindow(top);
  RECT r{};
  ::GetWindowRect(h, &r);
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  const int sw = ::GetSystemMetrics(SM_CXSCREEN) - 1, sh = ::GetSystemMetrics(SM_CYSCREEN) - 1;
  INPUT in[3]{};
  for (auto& i : in) {
    i.type = INPUT_MOUSE;
    i.mi.dx = x * 65535 / sw;
    i.mi.dy = y * 65535 / sh;
  }
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  if (::SendInput(3, in, sizeof(INPUT)) != 3) Fail(L"SendInput failed");
}

void Session::CmdSetText(const std::vector<std::wstring>& a) {
  HWND h = Target(a, 1);
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[3].c_str()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &result))
    Fail(L"control does not answer WM_SETTEXT: " + Describe(h));
}

void Session::CmdTypeText(const std::vector<std::wstring>& a) {
  HWND h = Target(a, 1);
  for (wchar_t c : a[3]) ::PostMessageW(h, WM_CHAR, c, 1);
}

void Session::CmdKey(const std::vector<std::wstring>& a) {
  HWND h = Target(a, 1);
  static const std::map<std::wstring, UINT> names = {
      {L"RETURN", VK_RETURN}, {L"TAB", VK_TAB},   {L"ESCAPE", VK_ESCAPE}, {L"SPACE", VK_SPACE},
      {L"DOWN", VK_DOWN},     {L"UP", VK_UP},     {L"LEFT", VK_LEFT},     {L"RIGHT", VK_RIGHT},
      {L"HOME", VK_HOME},     {L"END", VK_END},   {L"F1", VK_F1}};
  auto it = names.find(a[3]);
  const UINT vk = it != names.end() ? it->second : static_cast<UINT>(ToInt(a[3]));
  const UINT scan = ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  ::PostMessageW(h, WM_KEYDOWN, vk, 1 | (scan << 16));
  if (vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_SPACE || vk == VK_TAB)
    ::PostMessageW(h, WM_CHAR, vk == VK_SPACE ? L' ' : vk, 1 | (scan << 16));
  ::PostMessageW(h, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
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
  if (!WaitFor(controlTimeoutMs_, [&] {
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
  Handle process = OpenProcessOf(dlg, PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION);
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

void Session::CmdRect(const std::vector<std::wstring>& a) {
  const RECT r = RelativeRect(Window(a[1]), Target(a, 1));
  Out(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right - r.left) + L" " +
      std::to_wstring(r.bottom - r.top));
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
  Handle process = ProcessOf(a[1], SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION);
  const int timeoutMs = ToInt(a[2]);
  if (::WaitForSingleObject(process.get(), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
    Fail(L"timed out after " + std::to_wstring(timeoutMs) + L" ms waiting for the process of '" + a[1] + L"' to end");
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  Out(L"exit code " + std::to_wstring(code));
}

// Handles a process holds, from the system's handle list (GetProcessHandleCount is a stub
// under Wine; the list is not).
DWORD HandleCount(HANDLE process, DWORD pid) {
  DWORD count = 0;
  if (::GetProcessHandleCount(process, &count) && count != 0) return count;
  using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
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

void Session::CmdProcessStats(const std::vector<std::wstring>& a) {
  Handle own = ProcessOf(a[1], PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
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

void Session::CmdDump(const std::vector<std::wstring>& a) {
  HWND top = Window(a[1]);
  Out(Describe(top));
  for (HWND h : Descendants(top)) {
    const RECT r = RelativeRect(top, h);
    Out(L"  " + Describe(h) + L" client=" + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L" " +
        std::to_wstring(r.right - r.left) + L"x" + std::to_wstring(r.bottom - r.top));
  }
}

void Session::CmdSleep(const std::vector<std::wstring>& a) { ::Sleep(static_cast<DWORD>(ToInt(a[1]))); }

void Session::CmdEcho(const std::vector<std::wstring>& a) {
  std::wstring line;
  for (size_t i = 1; i < a.size(); ++i) line += (i > 1 ? L" " : L"") + a[i];
  Out(line);
}

void Session::CmdTimeout(const std::vector<std::wstring>& a) { controlTimeoutMs_ = ToInt(a[1]); }

void Session::CmdFocus(const std::vector<std::wstring>& a) { ::SetForegroundWindow(Window(a[1])); }

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

void WriteBmp(const Pixels& shot, const std::wstring& path) {
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = shot.width;
  info.biHeight = -shot.height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  const DWORD bytes = static_cast<DWORD>(shot.data.size() * sizeof(DWORD));
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + bytes;
  Handle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!out) Fail(L"cannot write " + path);
  DWORD written = 0;
  ::WriteFile(out.get(), &file, sizeof file, &written, nullptr);
  ::WriteFile(out.get(), &info, sizeof info, &written, nullptr);
  ::WriteFile(out.get(), shot.data.data(), bytes, &written, nullptr);
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

std::vector<std::wstring> ReadLines(FILE* in) {
  std::vector<std::wstring> lines;
  std::string line;
  int c;
  while ((c = std::fgetc(in)) != EOF) {
    if (c == '\n') {
      lines.push_back(Wide(line));
      line.clear();
    } else if (c != '\r') {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty()) lines.push_back(Wide(line));
  return lines;
}

void Session::PrintUsage() {
  std::fprintf(stderr, "usage: autodrive \"command args\" ...  |  autodrive -f script  |  autodrive -\ncommands:\n");
  for (const auto& [name, entry] : Commands()) std::fprintf(stderr, "  %s\n", Utf8(entry.usage).c_str());
}

}  // namespace

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
