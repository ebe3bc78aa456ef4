#include "ShellBrowse.h"

#include <cwchar>
#include <string>

#include "Library.h"

namespace quorvel::pathwell {
namespace {

template <typename Function>
HRESULT Bind(Function& slot, const wchar_t* library, const char* name) {
  if (!slot) slot = win::BindByName<Function>(library, name);
  return slot ? S_OK : HRESULT_FROM_WIN32(::GetLastError());
}

}  // namespace

HRESULT BindShellApi(const ShellApi** api) {
  *api = nullptr;
  static ShellApi bound;
  HRESULT hr = Bind(bound.browse, L"shell32", "SHBrowseForFolderW");
  if (SUCCEEDED(hr)) hr = Bind(bound.path, L"shell32", "SHGetPathFromIDListW");
  if (SUCCEEDED(hr)) hr = Bind(bound.free, L"ole32", "CoTaskMemFree");
  if (FAILED(hr)) return hr;
  *api = &bound;
  return S_OK;
}

HRESULT BrowseForFolder(const ShellApi& api, HWND owner, std::wstring_view prompt, LONG flags,
                        std::wstring& result) {
  result.clear();
  const std::wstring title(prompt);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = nullptr;
  info.lpszTitle = title.c_str();
  info.ulFlags = static_cast<UINT>(flags);
  info.lpfn = nullptr;
  info.lParam = 0;
  info.iImage = 0;
  PIDLIST_ABSOLUTE items = api.browse(&info);

  // MAX_PATH spaces; the Shell writes a NUL-terminated path over them.
  std::wstring buffer(MAX_PATH, L' ');
  // A null list (Cancel) has no path; the Shell is not asked about it.
  const BOOL found = items ? api.path(items, buffer.data()) : FALSE;
  if (found) result.assign(buffer.data(), ::wcsnlen(buffer.data(), buffer.size()));
  // Freed in every case, the null list of a Cancel included.
  api.free(items);
  return S_OK;
}

}  // namespace quorvel::pathwell
