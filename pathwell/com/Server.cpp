#include "Server.h"

#include <olectl.h>

#include "Object.h"
#include "TypeLibrary.h"

namespace quorvel::com {
namespace {

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
      Server::Lock();
    } else {
      Server::Unlock();
    }
    return S_OK;
  }

 private:
  CreateFunction create_;
};

}  // namespace

void Server::Initialize(HINSTANCE instance) noexcept { g_instance = instance; }
HINSTANCE Server::Instance() noexcept { return g_instance; }

void Server::Lock() noexcept { ::InterlockedIncrement(&g_locks); }
void Server::Unlock() noexcept { ::InterlockedDecrement(&g_locks); }

HRESULT Server::GetClassObject(const LibraryDescription& library, REFCLSID clsid, REFIID iid,
                               void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  for (const ClassEntry& entry : library.classes) {
    if (::IsEqualCLSID(*entry.clsid, clsid)) return ClassFactory::Make(iid, object, entry.create);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT Server::CanUnloadNow() noexcept {
  if (g_locks != 0) return S_FALSE;
  // Nothing of ours is alive: the cached type information may go before the file does.
  ReleaseTypeInfoCache();
  return S_OK;
}

}  // namespace quorvel::com
