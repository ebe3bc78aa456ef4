#include "ConnectionPoints.h"

#include <olectl.h>

#include <utility>

#include "Object.h"

namespace quorvel::com {
namespace {

// Element traits for the one enumerator template: what it holds of an item (Held, its own
// reference), how it shares one, and how it hands one out with a reference for the caller.
struct ConnectDataItem {
  using Type = CONNECTDATA;
  using Held = Connection;
  static Held Share(const Held& from) { return {win::ComPtr<IUnknown>::From(from.sink.get()), from.cookie}; }
  static void Out(Type& to, const Held& from) {
    to = {win::ComPtr<IUnknown>::From(from.sink.get()).detach(), from.cookie};
  }
};
struct PointItem {
  using Type = IConnectionPoint*;
  using Held = win::ComPtr<IConnectionPoint>;
  static Held Share(const Held& from) { return Held::From(from.get()); }
  static void Out(Type& to, const Held& from) { to = Held::From(from.get()).detach(); }
};

// A snapshot enumerator: it holds its own references to the items it lists.
template <typename EnumInterface, typename Item>
class Enumerator final : public Object<Enumerator<EnumInterface, Item>, EnumInterface> {
  using Type = typename Item::Type;
  using Held = typename Item::Held;

 public:
  explicit Enumerator(const std::vector<Held>& items, size_t position = 0) : position_(position) {
    items_.reserve(items.size());
    for (const Held& item : items) items_.push_back(Item::Share(item));
  }

  static const QITAB* QiTable() {
    static const QITAB table[] = {{&__uuidof(EnumInterface), 0}, {}};
    return table;
  }

  STDMETHODIMP Next(ULONG count, Type* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    while (done < count && position_ < items_.size()) Item::Out(out[done++], items_[position_++]);
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const size_t left = items_.size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(EnumInterface** out) override {
    if (!out) return E_POINTER;
    return Enumerator::Make(__uuidof(EnumInterface), reinterpret_cast<void**>(out), items_, position_);
  }

 private:
  std::vector<Held> items_;
  size_t position_;
};

}  // namespace

void ConnectionPoint::UnadviseAll() noexcept {
  // Released after the list is empty: a sink's release may call back into the point.
  auto connections = std::exchange(connections_, {});
  connections.clear();
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IConnectionPoint)) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = container_;
  container_->AddRef();
  return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  win::ComPtr<IUnknown> connection;
  if (FAILED(sink->QueryInterface(iid_, connection.put_void()))) return CONNECT_E_CANNOTCONNECT;
  *cookie = nextCookie_++;
  connections_.push_back(Connection{std::move(connection), *cookie});
  return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if (it->cookie == cookie) {
      const auto sink = std::move(it->sink);  // released once the list no longer holds it
      connections_.erase(it);
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (!connections) return E_POINTER;
  return Enumerator<IEnumConnections, ConnectDataItem>::Make(
      IID_IEnumConnections, reinterpret_cast<void**>(connections), connections_);
}

HRESULT FindConnectionPoint(std::span<ConnectionPoint* const> points, REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  for (ConnectionPoint* candidate : points) {
    if (::IsEqualIID(candidate->Iid(), iid)) {
      *point = candidate;
      candidate->AddRef();
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT EnumConnectionPoints(std::span<ConnectionPoint* const> points, IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  std::vector<win::ComPtr<IConnectionPoint>> items;
  for (ConnectionPoint* point : points) items.push_back(win::ComPtr<IConnectionPoint>::From(point));
  return Enumerator<IEnumConnectionPoints, PointItem>::Make(IID_IEnumConnectionPoints,
                                                                     reinterpret_cast<void**>(out), items);
}

}  // namespace quorvel::com
