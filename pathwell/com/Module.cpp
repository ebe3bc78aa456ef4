#include "Module.h"

#include <oleauto.h>
#include <olectl.h>

#include <string>

#include "Object.h"
#include "Registry.h"
#include "TypeLibrary.h"

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

HINSTANCE g_instance = nullptr;
LONG g_locks = 0;

// One factory object per request; it serves the class of the table row it was made for.
class ClassFactory final : public Object<ClassFactory, IClassFactory> {
 public:
  explicit ClassFactory(CreateFunction create) : create_(create) {}

  static const QITAB* QiTable() {
    static const QITAB table[] = {QITABENT(ClassFactory, IClassFactory), {}};
    return table;
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(iid, object);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      Module::Lock();
    } else {
      Module::Unlock();
    }
    return S_OK;
  }

 private:
  CreateFunction create_;
};

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(Module::Instance(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

HRESULT RegisterClass(const ClassEntry& entry, const LibraryDescription& library, const std::wstring& path) {
  const std::wstring clsid = GuidText(*entry.clsid);
  const std::wstring classKey = L"CLSID\\" + clsid;
  HRESULT hr = SetRegistryValue(classKey, nullptr, entry.name);
  if (FAILED(hr)) return hr;
  hr = SetRegistryValue(classKey + L"\\InprocServer32", nullptr, path.c_str());
  if (FAILED(hr)) return hr;
  hr = SetRegistryValue(classKey + L"\\InprocServer32", L"ThreadingModel", entry.threading);
  if (FAILED(hr)) return hr;
  if (entry.progId) {
    hr = SetRegistryValue(classKey + L"\\ProgID", nullptr, entry.progId);
    if (FAILED(hr)) return hr;
    hr = SetRegistryValue(entry.progId, nullptr, entry.name);
    if (FAILED(hr)) return hr;
    hr = SetRegistryValue(std::wstring(entry.progId) + L"\\CLSID", nullptr, clsid.c_str());
    if (FAILED(hr)) return hr;
  }
  if (entry.control) {
    hr = CreateRegistryKey(classKey + L"\\Control");
    if (FAILED(hr)) return hr;
  }
  if (entry.miscStatus) {
    hr = SetRegistryValue(classKey + L"\\MiscStatus", nullptr, L"0");
    if (FAILED(hr)) return hr;
    hr = SetRegistryValue(classKey + L"\\MiscStatus\\1", nullptr, std::to_wstring(entry.miscStatus).c_str());
    if (FAILED(hr)) return hr;
  }
  if (entry.toolboxBitmap) {
    const std::wstring bitmap = path + L", " + std::to_wstring(entry.toolboxBitmap);
    hr = SetRegistryValue(classKey + L"\\ToolboxBitmap32", nullptr, bitmap.c_str());
    if (FAILED(hr)) return hr;
  }
  hr = SetRegistryValue(classKey + L"\\TypeLib", nullptr, GuidText(*library.libid).c_str());
  if (FAILED(hr)) return hr;
  const std::wstring version = std::to_wstring(library.major) + L"." + std::to_wstring(library.minor);
  return SetRegistryValue(classKey + L"\\Version", nullptr, version.c_str());
}

}  // namespace

void Module::Initialize(HINSTANCE instance) noexcept { g_instance = instance; }
HINSTANCE Module::Instance() noexcept { return g_instance; }

void Module::Lock() noexcept { ::InterlockedIncrement(&g_locks); }
void Module::Unlock() noexcept { ::InterlockedDecrement(&g_locks); }
LONG Module::LockCount() noexcept { return g_locks; }

HRESULT Module::GetClassObject(const LibraryDescription& library, REFCLSID clsid, REFIID iid,
                               void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  for (const ClassEntry& entry : library.classes) {
    if (::IsEqualCLSID(*entry.clsid, clsid)) return ClassFactory::Make(iid, object, entry.create);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT Module::CanUnloadNow() noexcept {
  if (g_locks != 0) return S_FALSE;
  // Nothing of ours is alive: the cached type information may go before the file does.
  ReleaseTypeInfoCache();
  return S_OK;
}

HRESULT Module::RegisterServer(const LibraryDescription& library) noexcept {
  std::wstring path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  ITypeLib* typeLib = nullptr;
  HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &typeLib);
  if (FAILED(hr)) return hr;
  // Registers the library and, through it, the interfaces it describes.
  hr = ::RegisterTypeLib(typeLib, path.data(), const_cast<wchar_t*>(L""));
  typeLib->Release();
  if (FAILED(hr)) return hr;
  for (const ClassEntry& entry : library.classes) {
    hr = RegisterClass(entry, library, path);
    if (FAILED(hr)) {
      UnregisterServer(library);
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

HRESULT Module::UnregisterServer(const LibraryDescription& library) noexcept {
  HRESULT result = S_OK;
  bool otherCopyRegistered = false;
  for (const ClassEntry& entry : library.classes) {
    const std::wstring classKey = L"CLSID\\" + GuidText(*entry.clsid);
    if (FAILED(DeleteRegistryTree(classKey))) result = SELFREG_E_CLASS;
    // On 32-bit Windows the other view is this one, where the class is gone by now.
    const bool other = RegistryKeyExists(classKey, kOtherView);
    otherCopyRegistered = otherCopyRegistered || other;
    if (entry.progId && !other && FAILED(DeleteRegistryTree(entry.progId))) result = SELFREG_E_CLASS;
  }
  // A library that is not registered (any more) is no failure: unregistering twice is fine.
  const std::wstring libKey = L"TypeLib\\" + GuidText(*library.libid) + L"\\" + std::to_wstring(library.major) +
                              L"." + std::to_wstring(library.minor);
  const std::wstring ownEntry = libKey + L"\\0\\" + kSysKindKey;
  if (!RegistryKeyExists(ownEntry)) return result;
  if (otherCopyRegistered) {
    // The platform would take the interface records of both views with it; the other copy
    // still needs them, and the library key with its entry.
    if (FAILED(DeleteRegistryTree(ownEntry)) && SUCCEEDED(result)) result = SELFREG_E_TYPELIB;
    return result;
  }
  if (FAILED(::UnRegisterTypeLib(*library.libid, library.major, library.minor, 0, kSysKind)) && SUCCEEDED(result)) {
    result = SELFREG_E_TYPELIB;
  }
  return result;
}

}  // namespace quorvel::com
