#include "ServerRegistration.h"

#include <oleauto.h>
#include <olectl.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ModulePath.h"
#include "Raii.h"
#include "Registry.h"

namespace quorvel::com {
namespace {

// The type library describes the library's own architecture. On 64-bit Windows the 32-bit
// and the 64-bit library can be registered side by side: each has its class record in its
// own registry view, while the ProgID, the type library key and the interface records are
// shared by both.
#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
constexpr const wchar_t* kSysKindKey = L"win64";
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
constexpr const wchar_t* kSysKindKey = L"win32";
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

// Whether two paths name one file: the same text up to case, or the same file reached
// another way (a short name, another spelling of the folder).
bool SameFile(const std::wstring& a, const std::wstring& b) {
  if (::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
  BY_HANDLE_FILE_INFORMATION infoA{};
  BY_HANDLE_FILE_INFORMATION infoB{};
  for (const auto& [name, info] : {std::pair{&a, &infoA}, std::pair{&b, &infoB}}) {
    const win::Handle file(::CreateFileW(name->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file || !::GetFileInformationByHandle(file.get(), info)) return false;
  }
  return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber && infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
         infoA.nFileIndexLow == infoB.nFileIndexLow;
}

// Whether the default value of `key` names this copy of the library, so that unregistering
// it may remove the record. A record naming no file at all is a leftover (a registration cut
// short) and goes too; a record naming another copy, in another folder, stays with it, and
// so does one that cannot be read.
bool NamesThisCopy(const std::wstring& key, const std::wstring& path) {
  std::wstring named;
  const LSTATUS status = ReadRegistryString(key, nullptr, named);
  if (status == ERROR_FILE_NOT_FOUND) return true;
  return status == ERROR_SUCCESS && (named.empty() || SameFile(named, path));
}

// One registry row under HKEY_CLASSES_ROOT: the value `name` (nullptr: the key's default)
// of `key`; a row without a value only makes the key.
struct RegistryRow {
  std::wstring key;
  const wchar_t* name;
  std::optional<std::wstring> value;
};

// The class record of one class, in the order it is written.
std::vector<RegistryRow> ClassRows(const ClassEntry& entry, const LibraryDescription& library,
                                   const std::wstring& path) {
  const std::wstring clsid = GuidText(*entry.clsid);
  const std::wstring classKey = L"CLSID\\" + clsid;
  std::vector<RegistryRow> rows = {
      {classKey, nullptr, entry.name},
      {classKey + L"\\InprocServer32", nullptr, path},
      {classKey + L"\\InprocServer32", L"ThreadingModel", entry.threading},
  };
  if (entry.progId) {
    rows.push_back({classKey + L"\\ProgID", nullptr, entry.progId});
    rows.push_back({entry.progId, nullptr, entry.name});
    rows.push_back({std::wstring(entry.progId) + L"\\CLSID", nullptr, clsid});
  }
  if (entry.control) rows.push_back({classKey + L"\\Control", nullptr, std::nullopt});
  if (entry.miscStatus) {
    rows.push_back({classKey + L"\\MiscStatus", nullptr, L"0"});
    rows.push_back({classKey + L"\\MiscStatus\\1", nullptr, std::to_wstring(entry.miscStatus)});
  }
  if (entry.toolboxBitmap) {
    rows.push_back({classKey + L"\\ToolboxBitmap32", nullptr, path + L", " + std::to_wstring(entry.toolboxBitmap)});
  }
  rows.push_back({classKey + L"\\TypeLib", nullptr, GuidText(*library.libid)});
  rows.push_back({classKey + L"\\Version", nullptr, std::to_wstring(library.major) + L"." + std::to_wstring(library.minor)});
  return rows;
}

HRESULT WriteClassRecord(const ClassEntry& entry, const LibraryDescription& library, const std::wstring& path) {
  for (const RegistryRow& row : ClassRows(entry, library, path)) {
    const HRESULT hr = row.value ? SetRegistryValue(row.key, row.name, row.value->c_str()) : CreateRegistryKey(row.key);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace

HRESULT RegisterServer(const LibraryDescription& library) noexcept {
  std::wstring path = win::ModuleFileName(Server::Instance());
  if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  win::ComPtr<ITypeLib> typeLib;
  HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, typeLib.put());
  if (FAILED(hr)) return hr;
  // Registers the library and, through it, the interfaces it describes.
  hr = ::RegisterTypeLib(typeLib.get(), path.data(), const_cast<wchar_t*>(L""));
  typeLib.reset();
  if (FAILED(hr)) return hr;
  for (const ClassEntry& entry : library.classes) {
    hr = WriteClassRecord(entry, library, path);
    if (FAILED(hr)) {
      UnregisterServer(library);
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

HRESULT UnregisterServer(const LibraryDescription& library) noexcept {
  const std::wstring path = win::ModuleFileName(Server::Instance());
  if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  HRESULT result = S_OK;
  bool classStillRegistered = false;
  for (const ClassEntry& entry : library.classes) {
    const std::wstring classKey = L"CLSID\\" + GuidText(*entry.clsid);
    if (NamesThisCopy(classKey + L"\\InprocServer32", path) && FAILED(DeleteRegistryTree(classKey))) {
      result = SELFREG_E_CLASS;
    }
    // Another copy's record, in this view or (on 64-bit Windows) in the other one.
    const bool other = RegistryKeyExists(classKey) || RegistryKeyExists(classKey, kOtherView);
    classStillRegistered = classStillRegistered || other;
    if (entry.progId && !other && FAILED(DeleteRegistryTree(entry.progId))) result = SELFREG_E_CLASS;
  }
  // A library that is not registered (any more) is no failure: unregistering twice is fine.
  const std::wstring libKey = L"TypeLib\\" + GuidText(*library.libid) + L"\\" + std::to_wstring(library.major) +
                              L"." + std::to_wstring(library.minor);
  const std::wstring ownEntry = libKey + L"\\0\\" + kSysKindKey;
  if (!RegistryKeyExists(ownEntry) || !NamesThisCopy(ownEntry, path)) return result;
  if (classStillRegistered) {
    // The platform would take the interface records of both views with it; the copy whose
    // class record remains still needs them, and the library key.
    if (FAILED(DeleteRegistryTree(ownEntry)) && SUCCEEDED(result)) result = SELFREG_E_TYPELIB;
    return result;
  }
  if (FAILED(::UnRegisterTypeLib(*library.libid, library.major, library.minor, 0, kSysKind)) && SUCCEEDED(result)) {
    result = SELFREG_E_TYPELIB;
  }
  return result;
}

}  // namespace quorvel::com
