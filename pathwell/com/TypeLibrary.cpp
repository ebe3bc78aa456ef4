#include "TypeLibrary.h"

#include <oleauto.h>

#include "ModulePath.h"
#include "Raii.h"
#include "Server.h"

namespace quorvel::com {
namespace {

// Objects of the library live on their hosts' single-threaded apartments; the cache is
// guarded anyway because two apartments may load it at once.
struct Cache {
  CRITICAL_SECTION lock;
  win::ComPtr<ITypeLib> library;
  Cache() { ::InitializeCriticalSection(&lock); }
  // A library still cached at the end of the process is left to it: oleaut32 may be gone.
  ~Cache() {
    library.detach();
    ::DeleteCriticalSection(&lock);
  }
};
Cache& TheCache() {
  static Cache cache;
  return cache;
}

HRESULT GetLibrary(win::ComPtr<ITypeLib>& library) {
  Cache& cache = TheCache();
  ::EnterCriticalSection(&cache.lock);
  HRESULT hr = S_OK;
  if (!cache.library) {
    const std::wstring path = win::ModuleFileName(Server::Instance());
    if (path.empty()) {
      hr = HRESULT_FROM_WIN32(::GetLastError());
    } else {
      hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, cache.library.put());
    }
  }
  if (SUCCEEDED(hr)) library = win::ComPtr<ITypeLib>::From(cache.library.get());
  ::LeaveCriticalSection(&cache.lock);
  return hr;
}

}  // namespace

HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  win::ComPtr<ITypeLib> library;
  const HRESULT hr = GetLibrary(library);
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(guid, info);
}

HRESULT GetInterfaceTypeInfo(REFGUID guid, ITypeInfo** info) {
  win::ComPtr<ITypeInfo> dispatch;
  HRESULT hr = GetTypeInfoOfGuid(guid, dispatch.put());
  if (FAILED(hr)) return hr;
  TYPEATTR* attr = nullptr;
  hr = dispatch->GetTypeAttr(&attr);
  if (FAILED(hr)) return hr;
  const bool dualDispatch = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
  dispatch->ReleaseTypeAttr(attr);
  if (!dualDispatch) {
    *info = dispatch.detach();
    return S_OK;
  }
  HREFTYPE vtable = 0;
  hr = dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable);
  if (SUCCEEDED(hr)) hr = dispatch->GetRefTypeInfo(vtable, info);
  return hr;
}

void ReleaseTypeInfoCache() {
  Cache& cache = TheCache();
  ::EnterCriticalSection(&cache.lock);
  cache.library.reset();
  ::LeaveCriticalSection(&cache.lock);
}

}  // namespace quorvel::com
