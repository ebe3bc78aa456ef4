#include "TypeLibrary.h"

#include <oleauto.h>

#include "ModulePath.h"
#include "Server.h"

namespace quorvel::com {
namespace {

// Objects of the library live on their hosts' single-threaded apartments; the cache is
// guarded anyway because two apartments may load it at once.
struct Cache {
  CRITICAL_SECTION lock;
  ITypeLib* library = nullptr;
  Cache() { ::InitializeCriticalSection(&lock); }
  ~Cache() { ::DeleteCriticalSection(&lock); }
};
Cache& TheCache() {
  static Cache cache;
  return cache;
}

HRESULT GetLibrary(ITypeLib** library) {
  Cache& cache = TheCache();
  ::EnterCriticalSection(&cache.lock);
  HRESULT hr = S_OK;
  if (!cache.library) {
    const std::wstring path = win::ModuleFileName(Server::Instance());
    if (path.empty()) {
      hr = HRESULT_FROM_WIN32(::GetLastError());
    } else {
      hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &cache.library);
    }
  }
  if (SUCCEEDED(hr)) {
    *library = cache.library;
    cache.library->AddRef();
  }
  ::LeaveCriticalSection(&cache.lock);
  return hr;
}

}  // namespace

HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  ITypeLib* library = nullptr;
  HRESULT hr = GetLibrary(&library);
  if (FAILED(hr)) return hr;
  hr = library->GetTypeInfoOfGuid(guid, info);
  library->Release();
  return hr;
}

HRESULT GetInterfaceTypeInfo(REFGUID guid, ITypeInfo** info) {
  ITypeInfo* dispatch = nullptr;
  HRESULT hr = GetTypeInfoOfGuid(guid, &dispatch);
  if (FAILED(hr)) return hr;
  TYPEATTR* attr = nullptr;
  hr = dispatch->GetTypeAttr(&attr);
  if (FAILED(hr)) {
    dispatch->Release();
    return hr;
  }
  const bool dualDispatch = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
  dispatch->ReleaseTypeAttr(attr);
  if (!dualDispatch) {
    *info = dispatch;
    return S_OK;
  }
  HREFTYPE vtable = 0;
  hr = dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable);
  if (SUCCEEDED(hr)) hr = dispatch->GetRefTypeInfo(vtable, info);
  dispatch->Release();
  return hr;
}

void ReleaseTypeInfoCache() {
  Cache& cache = TheCache();
  ::EnterCriticalSection(&cache.lock);
  if (cache.library) {
    cache.library->Release();
    cache.library = nullptr;
  }
  ::LeaveCriticalSection(&cache.lock);
}

}  // namespace quorvel::com
