#include "PathwellClient.h"

#include <ocidl.h>
#include <olectl.h>
#include <shlwapi.h>

#include <utility>

#include "Library.h"
#include "Path.h"
#include "Raii.h"
#include "Variant.h"

namespace quorvel::pathwell {
namespace {

// The smallest site a control can live on: it answers the ambient UserMode as TRUE (the
// host is running, so the control draws nothing) and declines everything else.
class ClientSite final : public IOleClientSite, public IDispatch {
 public:
  explicit ClientSite(HWND host) : host_(host) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    static const QITAB table[] = {QITABENT(ClientSite, IOleClientSite), QITABENT(ClientSite, IDispatch), {}};
    return ::QISearch(this, table, iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG refs = ::InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IDispatch: the ambient properties
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    ::VariantInit(result);
    switch (id) {
      case DISPID_AMBIENT_USERMODE:
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = VARIANT_TRUE;
        return S_OK;
      case DISPID_AMBIENT_LOCALEID:
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(::GetUserDefaultLCID());
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  HWND Host() const { return host_; }

 private:
  ~ClientSite() = default;
  LONG refs_ = 1;
  HWND host_;
};

}  // namespace

HRESULT InvokeBrowse(IDispatch* control, HWND owner, std::wstring_view prompt, std::wstring& result) {
  result.clear();
  if (!control) return E_POINTER;
  LONG handle = static_cast<LONG>(reinterpret_cast<LONG_PTR>(owner));
  // The method may replace the prompt; whatever the variant holds afterwards is freed with it.
  win::Variant text(prompt);
  if (!V_BSTR(text.get())) return E_OUTOFMEMORY;
  // Arguments go in reverse order: txtPrompt first, hndParentHandle last. By reference, they
  // own nothing themselves.
  VARIANTARG args[2];
  ::VariantInit(&args[0]);
  ::VariantInit(&args[1]);
  V_VT(&args[0]) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&args[0]) = &V_BSTR(text.get());
  V_VT(&args[1]) = VT_BYREF | VT_I4;
  V_I4REF(&args[1]) = &handle;
  DISPPARAMS params{args, nullptr, 2, 0};
  win::Variant answer;
  EXCEPINFO exception{};
  UINT argError = 0;
  HRESULT hr = control->Invoke(kDispidPathwell, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, answer.put(),
                               &exception, &argError);
  // The texts of an exception are the caller's to free.
  const win::Bstr source(exception.bstrSource), description(exception.bstrDescription),
      helpFile(exception.bstrHelpFile);
  if (SUCCEEDED(hr)) hr = answer.ChangeType(VT_BSTR);
  if (SUCCEEDED(hr)) result = answer.Text();
  return hr;
}

struct PathwellClient::Impl {
  win::Library library;  // loaded only for the registration-free path
  win::ComPtr<IOleObject> object;
  win::ComPtr<IDispatch> dispatch;
  win::ComPtr<ClientSite> site;
};

PathwellClient::PathwellClient() : impl_(std::make_unique<Impl>()) {}

PathwellClient::~PathwellClient() { Destroy(); }

bool PathwellClient::Created() const { return static_cast<bool>(impl_->dispatch); }

HRESULT PathwellClient::Create(HWND host, const std::wstring& fallbackFolder) {
  Destroy();
  // Every reference into the control goes before Destroy may unload its file.
  win::ComPtr<IUnknown> unknown;
  HRESULT hr = ::CoCreateInstance(kClsidPathwell, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown.put_void());
  if (hr == REGDB_E_CLASSNOTREG || hr == CO_E_DLLNOTFOUND || hr == REGDB_E_READREGDB || hr == CO_E_ERRORINDLL ||
      hr == HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
    // Not registered (or registered to a file that is gone): the file beside the host.
    impl_->library = win::Library(win::JoinPath(fallbackFolder, L"Pathwell.ocx").c_str());
    if (!impl_->library) return HRESULT_FROM_WIN32(::GetLastError());
    using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto getClassObject = impl_->library.Bind<GetClassObjectFunction>("DllGetClassObject");
    if (!getClassObject) {
      hr = HRESULT_FROM_WIN32(::GetLastError());
      Destroy();
      return hr;
    }
    win::ComPtr<IClassFactory> factory;
    hr = getClassObject(kClsidPathwell, IID_IClassFactory, factory.put_void());
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IUnknown, unknown.put_void());
  }
  if (SUCCEEDED(hr)) hr = unknown->QueryInterface(IID_IOleObject, impl_->object.put_void());
  if (SUCCEEDED(hr)) hr = unknown->QueryInterface(IID_IDispatch, impl_->dispatch.put_void());
  unknown.reset();
  if (FAILED(hr)) {
    Destroy();
    return hr;
  }

  // The control asks for its site before it is initialised.
  impl_->site = win::ComPtr<ClientSite>::Attach(new ClientSite(host));
  hr = impl_->object->SetClientSite(impl_->site.get());
  if (SUCCEEDED(hr)) {
    win::ComPtr<IPersistStreamInit> stream;
    win::ComPtr<IPersistPropertyBag> bag;
    if (SUCCEEDED(impl_->object->QueryInterface(IID_IPersistStreamInit, stream.put_void()))) {
      hr = stream->InitNew();
    } else if (SUCCEEDED(impl_->object->QueryInterface(IID_IPersistPropertyBag, bag.put_void()))) {
      hr = bag->InitNew();
    }
  }
  if (FAILED(hr)) Destroy();
  return hr;
}

HRESULT PathwellClient::Browse(HWND owner, const std::wstring& prompt, std::wstring& result) {
  result.clear();
  if (!impl_->dispatch) return E_UNEXPECTED;
  return InvokeBrowse(impl_->dispatch.get(), owner, prompt, result);
}

void PathwellClient::Destroy() {
  if (impl_->object) {
    impl_->object->Close(OLECLOSE_NOSAVE);
    impl_->object->SetClientSite(nullptr);
  }
  impl_->dispatch.reset();
  impl_->object.reset();
  impl_->site.reset();
  // Last, once nothing of the file is referenced any more.
  impl_->library.reset();
}

}  // namespace quorvel::pathwell
