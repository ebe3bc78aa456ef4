#include "TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

#include "ModulePath.h"
#include "Path.h"
#include "ScopedComInit.h"

namespace quorvel::testing {

std::wstring BinFolder() {
  return win::JoinPath(win::FolderOf(win::ModuleFileName(nullptr)), L"");
}

std::wstring OcxPath() { return BinFolder() + L"Pathwell.ocx"; }

template <typename F>
static F Export(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

Library::Library() : dll(OcxPath().c_str()), module(dll.get()) {
  registerServer = dll.Bind<decltype(registerServer)>("DllRegisterServer");
  unregisterServer = dll.Bind<decltype(unregisterServer)>("DllUnregisterServer");
  getClassObject = dll.Bind<decltype(getClassObject)>("DllGetClassObject");
  canUnloadNow = dll.Bind<decltype(canUnloadNow)>("DllCanUnloadNow");
}

HRESULT CanUnloadNow() {
  HMODULE module = ::GetModuleHandleW(L"Pathwell.ocx");
  if (!module) return S_OK;
  auto canUnload = Export<HRESULT(WINAPI*)()>(module, "DllCanUnloadNow");
  return canUnload();
}

bool KeyExists(const std::wstring& key, REGSAM view) {
  win::Key handle;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, handle.put()) == ERROR_SUCCESS;
}

std::optional<std::wstring> ReadString(const std::wstring& key, const wchar_t* name) {
  wchar_t value[1024] = {};
  DWORD bytes = sizeof(value);
  if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(value);
}

STDMETHODIMP TestPropertyBag::QueryInterface(REFIID iid, void** object) {
  static const QITAB table[] = {QITABENT(TestPropertyBag, IPropertyBag), {}};
  return ::QISearch(this, table, iid, object);
}

STDMETHODIMP TestPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  ++reads;
  if (FAILED(failWith)) return failWith;
  const auto found = entries.find(name);
  if (found == entries.end()) return E_INVALIDARG;
  const VARTYPE wanted = V_VT(value);
  ::VariantInit(value);
  HRESULT hr = ::VariantCopy(value, found->second.get());
  if (SUCCEEDED(hr) && wanted != VT_EMPTY && wanted != V_VT(value)) hr = ::VariantChangeType(value, value, 0, wanted);
  return hr;
}

STDMETHODIMP TestPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
  ++writes;
  if (FAILED(failWith)) return failWith;
  return entries[name].CopyFrom(*value);
}

STDMETHODIMP TestSite::QueryInterface(REFIID iid, void** object) {
  static const QITAB table[] = {QITABENT(TestSite, IOleClientSite), QITABENT(TestSite, IDispatch),
                                QITABENT(TestSite, IPropertyNotifySink), {}};
  return ::QISearch(this, table, iid, object);
}

STDMETHODIMP TestSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
  if (id != DISPID_AMBIENT_USERMODE || !result) return DISP_E_MEMBERNOTFOUND;
  V_VT(result) = VT_BOOL;
  V_BOOL(result) = userMode_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

Control::Control(REFCLSID clsid) {
  created = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, dispatch.put_void());
}

// COM on the tests' thread, and the library registered for the run and unregistered after it.
class PathwellEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ole_.emplace(win::ScopedComInit::kOle);
    ASSERT_HRESULT_SUCCEEDED(ole_->Result());
    Library library;
    ASSERT_NE(library.module, nullptr) << "Pathwell.ocx must be beside the tests";
    ASSERT_HRESULT_SUCCEEDED(library.registerServer());
  }
  void TearDown() override {
    {
      Library library;
      library.unregisterServer();
    }
    ::CoFreeUnusedLibraries();
    ole_.reset();
  }

 private:
  std::optional<win::ScopedComInit> ole_;
};

static ::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new PathwellEnvironment);

}  // namespace quorvel::testing
