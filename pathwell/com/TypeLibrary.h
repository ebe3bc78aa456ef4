#pragma once
// The type information of the library's own TYPELIB resource, loaded once and shared by
// every object until the module may unload.
#include <windows.h>
#include <oaidl.h>

namespace quorvel::com {

// The type info described by `guid` in this module's type library (an added reference).
// For a dual interface this is its dispatch side; see InterfaceTypeInfo.
HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info);
// The vtable side of a dual interface, which ITypeInfo::Invoke calls through.
HRESULT GetInterfaceTypeInfo(REFGUID guid, ITypeInfo** info);
void ReleaseTypeInfoCache();

// IDispatch forwarded to the cached type info of one dual interface.
template <typename Interface, const IID* Iid>
class DispatchImpl : public Interface {
 public:

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GetTypeInfoOfGuid(*Iid, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!::IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = nullptr;
    HRESULT hr = GetInterfaceTypeInfo(*Iid, &info);
    if (FAILED(hr)) return hr;
    hr = ::DispGetIDsOfNames(info, names, count, ids);
    info->Release();
    return hr;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override {
    if (!::IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!params) return E_INVALIDARG;
    ITypeInfo* info = nullptr;
    HRESULT hr = GetInterfaceTypeInfo(*Iid, &info);
    if (FAILED(hr)) return hr;
    hr = info->Invoke(static_cast<Interface*>(this), id, flags, params, result, exception, argError);
    info->Release();
    return hr;
  }
};

}  // namespace quorvel::com
