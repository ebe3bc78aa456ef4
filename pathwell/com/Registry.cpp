#include "Registry.h"

#include <objbase.h>

#include <cwchar>

#include "Raii.h"

namespace quorvel::com {

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

HRESULT CreateRegistryKey(const std::wstring& key) {
  win::Key handle;
  const LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_WRITE, nullptr, handle.put(), nullptr);
  return HRESULT_FROM_WIN32(status);
}

HRESULT SetRegistryValue(const std::wstring& key, const wchar_t* name, const wchar_t* value) {
  win::Key handle;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, handle.put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  const DWORD bytes = static_cast<DWORD>((::lstrlenW(value) + 1) * sizeof(wchar_t));
  status = ::RegSetValueExW(handle.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
  return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteRegistryTree(const std::wstring& key) {
  const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  // RegDeleteTree empties the key; the key itself goes separately.
  const LSTATUS removed = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
  return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(removed);
}

bool RegistryKeyExists(const std::wstring& key, REGSAM view) {
  win::Key handle;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, handle.put()) == ERROR_SUCCESS;
}

LSTATUS ReadRegistryString(const std::wstring& key, const wchar_t* name, std::wstring& value) {
  value.clear();
  // RRF_RT_REG_SZ takes REG_EXPAND_SZ too, expanded.
  DWORD bytes = 0;
  LSTATUS status = ::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes);
  // The value may grow between the two calls: ask again with the size then reported.
  for (int attempt = 0; attempt < 3 && status == ERROR_SUCCESS; ++attempt) {
    value.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    status = ::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value.data(), &bytes);
    if (status == ERROR_SUCCESS) {
      value.resize(::wcsnlen(value.c_str(), value.size()));
      return status;
    }
    if (status == ERROR_MORE_DATA) status = ERROR_SUCCESS;
  }
  value.clear();
  return status == ERROR_SUCCESS ? ERROR_MORE_DATA : status;
}

}  // namespace quorvel::com
