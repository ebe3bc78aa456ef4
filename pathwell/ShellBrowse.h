#pragma once
// The folder dialog as the control calls it: the Shell's Unicode entry points, bound by name
// at first use, and the browse algorithm over them. Prompt and path stay Unicode all the way,
// so a folder whose name the ANSI code page cannot hold comes back as it is named.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <string_view>

namespace quorvel::pathwell {

struct ShellApi {
  using BrowseFunction = PIDLIST_ABSOLUTE(WINAPI*)(LPBROWSEINFOW info);
  using PathFunction = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE items, LPWSTR path);
  using FreeFunction = void(WINAPI*)(LPVOID memory);
  BrowseFunction browse = nullptr;  // SHBrowseForFolderW, shell32
  PathFunction path = nullptr;      // SHGetPathFromIDListW, shell32
  FreeFunction free = nullptr;      // CoTaskMemFree, ole32
};

// The real entry points; binds those still missing. Fails with the loader's error when a
// library or an entry point cannot be found.
HRESULT BindShellApi(const ShellApi** api);

// Shows the folder dialog: owner and prompt as given, `flags` as the BROWSEINFOW flag word.
// `result` is the chosen folder's path, or empty on Cancel or for an item without a
// file-system path.
HRESULT BrowseForFolder(const ShellApi& api, HWND owner, std::wstring_view prompt, LONG flags,
                        std::wstring& result);

}  // namespace quorvel::pathwell
