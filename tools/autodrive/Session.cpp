#include "Session.h"

#include "Arguments.h"
#include "Clock.h"
#include "FindWindows.h"

namespace quorvel::autodrive {

Session::Session() : origin_(win::Milliseconds()) {}

double Session::ElapsedMs() const { return win::Milliseconds() - origin_; }

HWND Session::Window(const std::wstring& ref) {
  if (ref == L"@") {
    if (!last_ || !::IsWindow(last_)) Fail(L"no last window (@) to use");
    return last_;
  }
  auto it = names_.find(ref);
  if (it == names_.end()) Fail(L"no window bound to the name '" + ref + L"' (use wait-window ... as " + ref + L")");
  if (!::IsWindow(it->second)) Fail(L"window '" + ref + L"' is gone");
  return it->second;
}

void Session::Bind(HWND h, const std::vector<std::wstring>& args, size_t from) {
  last_ = h;
  if (args.size() >= from + 2 && args[from] == L"as") {
    names_[args[from + 1]] = h;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    pids_[args[from + 1]] = pid;
  }
}

// The process of a bound window, also after the window has gone.
win::Handle Session::ProcessOf(const std::wstring& ref, DWORD access) {
  if (ref == L"started") {
    if (!started_) Fail(L"nothing was started in this session");
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), started_.get(), ::GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    return win::Handle(copy);
  }
  auto it = pids_.find(ref);
  if (it == pids_.end()) return OpenProcessOf(Window(ref), access);
  win::Handle process(::OpenProcess(access, FALSE, it->second));
  if (!process) Fail(L"cannot open the process of '" + ref + L"' (pid " + std::to_wstring(it->second) + L")");
  return process;
}

// A control is a caption ("&" ignored), `#<id>` or `.<Class>`; `[n]` picks the n-th match.
HWND Session::Control(HWND top, const std::wstring& selectorWithIndex) {
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
  if (!WaitFor(kControlTimeoutMs, probe)) {
    std::wstring msg = L"no control '" + selectorWithIndex + L"' in window " + Describe(top) + L"; its controls:";
    for (HWND h : Descendants(top)) msg += L"\n    " + Describe(h);
    Fail(msg);
  }
  return found;
}

// The push button with the given id (lists and toolbars in dialogs may share id 1).
HWND Session::DialogButton(HWND dlg, int id) {
  HWND found = nullptr;
  if (!WaitFor(kControlTimeoutMs, [&] {
        for (HWND h : Descendants(dlg))
          if (::GetDlgCtrlID(h) == id && ClassOf(h) == L"Button") return (found = h) != nullptr;
        return false;
      }))
    Fail(L"no button " + std::to_wstring(id) + L" in " + Describe(dlg));
  return found;
}

// A control, or the window itself for ".".
HWND Session::Target(const std::vector<std::wstring>& args, size_t at) {
  HWND top = Window(args[at]);
  return args[at + 1] == L"." ? top : Control(top, args[at + 1]);
}

HWND Session::WaitTopLevel(const std::wstring& cls, const std::wstring& caption, int timeoutMs, const wchar_t* what) {
  HWND found = nullptr;
  if (!WaitFor(timeoutMs, [&] { return (found = FindTopLevel(cls, caption, true)) != nullptr; }))
    Fail(std::wstring(L"timed out after ") + std::to_wstring(timeoutMs) + L" ms waiting for " + what + L" [" + cls +
         L"] \"" + caption + L"\"");
  return found;
}

void Session::Click(HWND button) {
  // A person waits for a button to come alive; the control timeout bounds it.
  if (!WaitFor(kControlTimeoutMs, [&] { return ::IsWindowEnabled(button) != FALSE; }))
    Fail(L"cannot click a control that stays disabled: " + Describe(button));
  // Posted: the click may open a modal loop in the target that returns much later.
  ::PostMessageW(button, BM_CLICK, 0, 0);
}

void Session::WaitGone(HWND h, int timeoutMs, const std::wstring& what) {
  if (!WaitFor(timeoutMs, [&] { return !::IsWindow(h) || !::IsWindowVisible(h); }))
    Fail(L"timed out after " + std::to_wstring(timeoutMs) + L" ms waiting for " + what + L" to close");
}

}  // namespace quorvel::autodrive
