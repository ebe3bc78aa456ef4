#pragma once
// Writing and removing keys under HKEY_CLASSES_ROOT for self-registration, and the text
// form of the identities those keys are named by.
#include <windows.h>

#include <string>

namespace quorvel::com {

// A GUID as registry keys spell it: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::wstring GuidText(REFGUID guid);

// Creates the key (and its parents) and sets a string value; name nullptr is the default value.
HRESULT SetRegistryValue(const std::wstring& key, const wchar_t* name, const wchar_t* value);
HRESULT CreateRegistryKey(const std::wstring& key);
// Removes the key with everything below it; a missing key is no failure.
HRESULT DeleteRegistryTree(const std::wstring& key);
// `view` KEY_WOW64_32KEY or KEY_WOW64_64KEY looks into that registry view of 64-bit Windows.
bool RegistryKeyExists(const std::wstring& key, REGSAM view = 0);
// A string value (nullptr: the key's default), environment references expanded.
// ERROR_FILE_NOT_FOUND when the key or the value is missing.
LSTATUS ReadRegistryString(const std::wstring& key, const wchar_t* name, std::wstring& value);

}  // namespace quorvel::com
