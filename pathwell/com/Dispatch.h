#pragma once
// IDispatch of a dual interface, forwarded to the cached type information of the library;
// what a caller hands in is checked first, as ITypeInfo::Invoke trusts it.
#include <windows.h>
#include <oaidl.h>

#include "Raii.h"
#include "TypeLibrary.h"

namespace quorvel::com {

// A DISPPARAMS whose counts and arrays agree: every counted argument and every counted
// name has an array to be read from, and no more names than arguments. The type
// information would read through a null array otherwise.
inline HRESULT CheckDispParams(const DISPPARAMS* params) {
  if (!params) return E_INVALIDARG;
  if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
  if (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs) return E_INVALIDARG;
  return S_OK;
}

// The arrays of a GetIDsOfNames call: one identifier out for each name in, every name there.
// The type information reads the first name even when none is counted.
inline HRESULT CheckNames(LPOLESTR* names, UINT count, DISPID* ids) {
  if (!ids) return E_POINTER;
  if (count == 0 || !names) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) {
    if (!names[i]) return E_INVALIDARG;
  }
  return S_OK;
}

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
    HRESULT hr = CheckNames(names, count, ids);
    if (FAILED(hr)) return hr;
    win::ComPtr<ITypeInfo> info;
    hr = GetInterfaceTypeInfo(*Iid, info.put());
    if (FAILED(hr)) return hr;
    return ::DispGetIDsOfNames(info.get(), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override {
    if (!::IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = CheckDispParams(params);
    if (FAILED(hr)) return hr;
    win::ComPtr<ITypeInfo> info;
    hr = GetInterfaceTypeInfo(*Iid, info.put());
    if (FAILED(hr)) return hr;
    return info->Invoke(static_cast<Interface*>(this), id, flags, params, result, exception, argError);
  }
};

}  // namespace quorvel::com
