#pragma once
// Connection points embedded in their container object: they share its reference count,
// keep their sinks' references and hand out enumerators that are objects of their own.
#include <windows.h>
#include <ocidl.h>

#include <span>
#include <vector>

#include "Raii.h"

namespace quorvel::com {

// An advised sink: the reference the point holds and the cookie it handed out.
struct Connection {
  win::ComPtr<IUnknown> sink;
  DWORD cookie;
};

class ConnectionPoint final : public IConnectionPoint {
 public:
  ConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, const IID& iid)
      : owner_(owner), container_(container), iid_(iid) {}
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;
  ~ConnectionPoint() { UnadviseAll(); }

  const IID& Iid() const noexcept { return iid_; }
  void UnadviseAll() noexcept;

  // Calls `call` for each sink that answers QueryInterface for Sink.
  template <typename Sink, typename Call>
  void ForEach(Call&& call) {
    // A copy: a sink may unadvise from inside the call.
    std::vector<win::ComPtr<IUnknown>> sinks;
    for (const Connection& c : connections_) sinks.push_back(win::ComPtr<IUnknown>::From(c.sink.get()));
    for (const auto& unknown : sinks) {
      win::ComPtr<Sink> sink;
      if (SUCCEEDED(unknown.As(sink))) call(sink.get());
    }
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }
  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

 private:
  IUnknown* owner_;
  IConnectionPointContainer* container_;
  const IID& iid_;
  std::vector<Connection> connections_;
  DWORD nextCookie_ = 1;
};

// The container's two methods over a fixed set of points.
HRESULT FindConnectionPoint(std::span<ConnectionPoint* const> points, REFIID iid, IConnectionPoint** point);
HRESULT EnumConnectionPoints(std::span<ConnectionPoint* const> points, IEnumConnectionPoints** points_out);

}  // namespace quorvel::com
