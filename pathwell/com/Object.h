#pragma once
// Reference counting and QueryInterface for the objects of the library. Derived lists its
// interfaces in a QITAB (shlwapi's QISearch) returned by a static QiTable().
#include <windows.h>
#include <shlwapi.h>

#include <new>

#include "Raii.h"
#include "Server.h"

namespace quorvel::com {

template <typename Derived, typename... Interfaces>
class Object : public Interfaces... {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    return ::QISearch(this, Derived::QiTable(), iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG refs = ::InterlockedDecrement(&refs_);
    if (refs == 0) delete static_cast<Derived*>(this);
    return refs;
  }

  // Makes an object and hands out `iid`; the object dies when the query fails.
  template <typename... Args>
  static HRESULT Make(REFIID iid, void** object, Args&&... args) {
    if (!object) return E_POINTER;
    *object = nullptr;
    Derived* made = new (std::nothrow) Derived(static_cast<Args&&>(args)...);
    if (!made) return E_OUTOFMEMORY;
    const auto created = win::ComPtr<Derived>::From(made);
    return created->QueryInterface(iid, object);
  }

 protected:
  virtual ~Object() = default;

 private:
  LONG refs_ = 0;
  ServerReference server_;
};

}  // namespace quorvel::com
