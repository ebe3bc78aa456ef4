#pragma once
// Drives the Shell's folder dialog from a watcher thread, so that tests never wait for a
// person: it finds the dialog of a process (and thread), notes its owner and texts, selects
// a path with BFFM_SETSELECTIONW and presses OK, or presses Cancel.
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace quorvel::testing {

class FolderDialogDriver {
 public:
  // `path` empty: Cancel. `thread` 0: any thread of this process.
  explicit FolderDialogDriver(std::wstring path, DWORD thread = ::GetCurrentThreadId(), DWORD timeoutMs = 30000)
      : path_(std::move(path)), process_(::GetCurrentProcessId()), thread_(thread), timeoutMs_(timeoutMs) {
    watcher_ = std::thread([this] { Watch(); });
  }
  ~FolderDialogDriver() { Join(); }
  FolderDialogDriver(const FolderDialogDriver&) = delete;
  FolderDialogDriver& operator=(const FolderDialogDriver&) = delete;

  void Join() {
    if (watcher_.joinable()) watcher_.join();
  }
  // After Join(): what the watcher saw.
  bool Found() const { return dialog_ != nullptr; }
  HWND Owner() const { return owner_; }
  // Texts of the dialog's static controls (the prompt is one of them).
  const std::vector<std::wstring>& Texts() const { return texts_; }
  bool HasText(const std::wstring& text) const {
    for (const std::wstring& t : texts_) {
      if (t == text) return true;
    }
    return false;
  }

 private:
  struct Search {
    DWORD process;
    DWORD thread;
    HWND found;
  };

  static BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    const DWORD thread = ::GetWindowThreadProcessId(window, &process);
    if (process != search->process || (search->thread && thread != search->thread)) return TRUE;
    wchar_t className[32] = {};
    ::GetClassNameW(window, className, 32);
    if (std::wstring(className) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
    // The folder dialog is the one with a tree view.
    if (!::FindWindowExW(window, nullptr, L"SysTreeView32", nullptr)) return TRUE;
    search->found = window;
    return FALSE;
  }

  static BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    wchar_t className[32] = {};
    ::GetClassNameW(child, className, 32);
    if (std::wstring(className) == L"Static") {
      wchar_t text[512] = {};
      ::GetWindowTextW(child, text, 512);
      reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(text);
    }
    return TRUE;
  }

  static std::wstring SelectedText(HWND tree) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (!item.hItem || !::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return {};
    return text;
  }

  void Watch() {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs_;
    Search search{process_, thread_, nullptr};
    while (!search.found && ::GetTickCount64() < deadline) {
      ::Sleep(50);
      ::EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&search));
    }
    if (!search.found) return;
    HWND dialog = search.found;
    // Let the dialog finish filling its tree before it is driven.
    ::Sleep(300);
    owner_ = ::GetWindow(dialog, GW_OWNER);
    ::EnumChildWindows(dialog, &CollectText, reinterpret_cast<LPARAM>(&texts_));
    if (path_.empty()) {
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
      // The tree fills itself lazily: select again until the folder is the selected item.
      const std::wstring leaf = path_.substr(path_.find_last_of(L'\\') + 1);
      HWND tree = ::FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
      for (int attempt = 0; attempt < 50; ++attempt) {
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path_.c_str()));
        ::Sleep(100);
        if (leaf.empty() || ::lstrcmpiW(SelectedText(tree).c_str(), leaf.c_str()) == 0) break;
      }
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    dialog_ = dialog;
  }

  std::wstring path_;
  DWORD process_;
  DWORD thread_;
  DWORD timeoutMs_;
  std::thread watcher_;
  HWND dialog_ = nullptr;
  HWND owner_ = nullptr;
  std::vector<std::wstring> texts_;
};

}  // namespace quorvel::testing
