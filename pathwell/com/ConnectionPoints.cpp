#include "ConnectionPoints.h"

#include <olectl.h>

#include <utility>

#include "Object.h"

namespace quorvel::com {
namespace {

// Element traits for the one enumerator template: how to copy out and let go of an item.
struct ConnectDataItem {
  using Type = CONNECTDATA;
  static void Copy(CONNECTDATA& to, const CONNECTDATA& from) {
    to = from;
    to.pUnk->AddRef();
  }
  static void Free(CONNECTDATA& item) { item.pUnk->Release(); }
};
struct PointItem {
  using Type = IConnectionPoint*;
  static void Copy(IConnectionPoint*& to, IConnectionPoint* const& from) {
    to = from;
    to->AddRef();
  }
  static void Free(IConnectionPoint*& item) { item->Release(); }
};

// A snapshot enumerator: it holds its own references to the items it lists.
template <typename EnumInterface, typename Item>
class Enumerator final : public Object<Enumerator<EnumInterface, Item>, EnumInterface> {
  using Type = typename Item::Type;

 public:
  explicit Enumerator(const std::vector<Type>& items, size_t position = 0) : position_(position) {
    items_.resize(items.size());
    for (size_t i = 0; i < items.size(); ++i) Item::Copy(items_[i], items[i]);
  }
  ~Enumerator() override {
    for (Type& item : items_) Item::Free(item);
  }

  static const QITAB* QiTable() {
    static const QITAB table[] = {{&__uuidof(EnumInterface), 0}, {}};
    return table;
  }

  STDMETHODIMP Next(ULONG count, Type* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    while (done < count && position_ < items_.size()) Item::Copy(out[done++], items_[position_++]);
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
  std::vector<Type> items_;
  size_t position_;
};

}  // namespace

void ConnectionPoint::UnadviseAll() noexcept {
  auto connections = std::exchange(connections_, {});
  for (CONNECTDATA& c : connections) c.pUnk->Release();
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
  IUnknown* connection = nullptr;
  if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&connection)))) return CONNECT_E_CANNOTCONNECT;
  *cookie = nextCookie_++;
  connections_.push_back(CONNECTDATA{connection, *cookie});
  return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if (it->dwCookie == cookie) {
      IUnknown* sink = it->pUnk;
      connections_.erase(it);
      sink->Release();
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
  const std::vector<IConnectionPoint*> items(points.begin(), points.end());
  return Enumerator<IEnumConnectionPoints, PointItem>::Make(IID_IEnumConnectionPoints,
                                                                     reinterpret_cast<void**>(out), items);
}

}  // namespace quorvel::com
