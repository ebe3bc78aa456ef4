#pragma once
// Connection points embedded in their container object: they share its reference count,
// keep their sinks' references and hand out enumerators that are objects of their own.
#include <windows.h>
#include <ocidl.h>

#include <span>
#include <vector>

namespace quorvel::com {

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
    std::vector<IUnknown*> sinks;
    for (const CONNECTDATA& c : connections_) {
      c.pUnk->AddRef();
      sinks.push_back(c.pUnk);
    }
    for (IUnknown* unknown : sinks) {
      Sink* sink = nullptr;
      if (SUCCEEDED(unknown->QueryInterface(__uuidof(Sink), reinterpret_cast<void**>(&sink)))) {
        call(sink);
        sink->Release();
      }
      unknown->Release();
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
  std::vector<CONNECTDATA> connections_;
  DWORD nextCookie_ = 1;
};

// The container's two methods over a fixed set of points.
HRESULT FindConnectionPoint(std::span<ConnectionPoint* const> points, REFIID iid, IConnectionPoint** point);
HRESULT EnumConnectionPoints(std::span<ConnectionPoint* const> points, IEnumConnectionPoints** points_out);

}  // namespace quorvel::com
