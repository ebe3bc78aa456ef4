#pragma once
// Shared pieces of the control library's tests: the library file beside the tests, its
// exports, registry reading, a property bag and a container site.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <shlwapi.h>

#include <map>
#include <optional>
#include <string>

#include "Gdi.h"
#include "Library.h"
#include "PathwellClient.h"
#include "PathwellIds.h"
#include "Raii.h"
#include "Variant.h"
#include "com/Registry.h"

namespace quorvel::testing {

inline constexpr const CLSID& kClsid = pathwell::kClsidPathwell;
inline constexpr const GUID& kLibid = pathwell::kLibidPathwellX;
inline constexpr const IID& kIid = pathwell::kIidPathwell;
inline constexpr const IID& kSourceIid = pathwell::kDiidPathwellEvents;
using pathwell::kDispidBType;
using pathwell::kDispidPathwell;
using pathwell::kLibraryMajor;
using pathwell::kLibraryMinor;
// The library's type library describes this build's architecture and is registered under it.
inline constexpr SYSKIND kOwnSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
inline constexpr const wchar_t* kOwnSysKindKey = sizeof(void*) == 8 ? L"win64" : L"win32";

std::wstring BinFolder();   // the tests' folder, with a final backslash
std::wstring OcxPath();

// The library loaded by path (a reference of its own), with its exports.
struct Library {
  Library();
  win::Library dll;
  HMODULE module;  // dll's
  HRESULT(WINAPI* registerServer)();
  HRESULT(WINAPI* unregisterServer)();
  HRESULT(WINAPI* getClassObject)(REFCLSID, REFIID, void**);
  HRESULT(WINAPI* canUnloadNow)();
};

// DllCanUnloadNow of the copy of the library in this process, S_OK when none is loaded.
HRESULT CanUnloadNow();

using com::GuidText;
// `view` KEY_WOW64_32KEY or KEY_WOW64_64KEY: that registry view of 64-bit Windows.
bool KeyExists(const std::wstring& key, REGSAM view = 0);
std::optional<std::wstring> ReadString(const std::wstring& key, const wchar_t* name = nullptr);

// A property bag over a map; Read answers E_INVALIDARG for an entry it does not hold.
class TestPropertyBag final : public IPropertyBag {
 public:
  std::map<std::wstring, win::Variant> entries;
  HRESULT failWith = S_OK;  // every Read and Write fails with this when set
  int reads = 0;
  int writes = 0;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override;
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;
};

// The client-site and ambient-property methods a test container answers the same way
// whatever it tests; the container adds IUnknown and Invoke.
class ClientSiteBase : public IOleClientSite, public IDispatch {
 public:
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
};

// A client site answering the ambient UserMode with the value given, counting property
// changes it hears about through IPropertyNotifySink.
class TestSite final : public ClientSiteBase, public IPropertyNotifySink {
 public:
  explicit TestSite(bool userMode) : userMode_(userMode) {}
  LONG refs = 1;
  int changes = 0;
  DISPID lastChange = 0;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override;
  STDMETHODIMP OnChanged(DISPID id) override {
    ++changes;
    lastChange = id;
    return S_OK;
  }
  STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

 private:
  bool userMode_;
};

// A created control: its IDispatch.
struct Control {
  explicit Control(REFCLSID clsid = kClsid);
  HRESULT created = E_FAIL;
  win::ComPtr<IDispatch> dispatch;
  template <typename I>
  win::ComPtr<I> As(REFIID iid) const {
    win::ComPtr<I> p;
    if (dispatch) dispatch->QueryInterface(iid, p.put_void());
    return p;
  }
};

// The browse method called by its dispatch identifier, as hosts call it.
using pathwell::InvokeBrowse;

}  // namespace quorvel::testing
