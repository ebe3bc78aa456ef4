// The control's saved data: BType in a property bag (with the extent a container expects)
// or in a stream, and the class identity persistence reports.
#include "PathwellControl.h"
#include "Variant.h"

namespace quorvel::pathwell {
namespace {

constexpr wchar_t kBTypeEntry[] = L"BType";
constexpr wchar_t kExtentXEntry[] = L"_extentx";
constexpr wchar_t kExtentYEntry[] = L"_extenty";

// The stream form of the saved data: BType and the extent, three little-endian 32-bit words.
struct StreamData {
  LONG btype;
  LONG extentX;
  LONG extentY;
};

HRESULT WriteInteger(IPropertyBag* bag, const wchar_t* name, LONG value) {
  win::Variant v(value);
  return bag->Write(name, v.get());
}

}  // namespace

STDMETHODIMP PathwellControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = kClsidPathwell;
  return S_OK;
}

STDMETHODIMP PathwellControl::InitNew() {
  btype_ = kDefaultBType;
  dirty_ = false;
  return S_OK;
}

STDMETHODIMP PathwellControl::Load(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  win::Variant value(LONG{0});  // the type asked of the bag
  HRESULT hr = bag->Read(kBTypeEntry, value.get(), log);
  if (hr == E_INVALIDARG) {
    // No entry: the instance was saved with the default.
    btype_ = kDefaultBType;
    dirty_ = false;
    return S_OK;
  }
  if (FAILED(hr)) return hr;
  // A bag may hand back another type (text in a form file); it must read as an integer.
  hr = value.ChangeType(VT_I4);
  if (FAILED(hr)) return hr;
  btype_ = value.Long();
  dirty_ = false;
  return S_OK;
}

STDMETHODIMP PathwellControl::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
  if (!bag) return E_POINTER;
  HRESULT hr = WriteInteger(bag, kExtentXEntry, kExtentX);
  if (SUCCEEDED(hr)) hr = WriteInteger(bag, kExtentYEntry, kExtentY);
  // The default is not written: an instance with BType 1 saves no entry.
  if (SUCCEEDED(hr) && btype_ != kDefaultBType) hr = WriteInteger(bag, kBTypeEntry, btype_);
  if (FAILED(hr)) return hr;
  if (clearDirty) dirty_ = false;
  return S_OK;
}

STDMETHODIMP PathwellControl::Load(LPSTREAM stream) {
  if (!stream) return E_POINTER;
  StreamData data{};
  ULONG read = 0;
  const HRESULT hr = stream->Read(&data, sizeof(data), &read);
  if (FAILED(hr)) return hr;
  if (read != sizeof(data)) return STG_E_READFAULT;
  btype_ = data.btype;
  dirty_ = false;
  return S_OK;
}

STDMETHODIMP PathwellControl::Save(LPSTREAM stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  const StreamData data{btype_, kExtentX, kExtentY};
  ULONG written = 0;
  const HRESULT hr = stream->Write(&data, sizeof(data), &written);
  if (FAILED(hr)) return hr;
  if (written != sizeof(data)) return STG_E_WRITEFAULT;
  if (clearDirty) dirty_ = false;
  return S_OK;
}

STDMETHODIMP PathwellControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = sizeof(StreamData);
  return S_OK;
}

}  // namespace quorvel::pathwell
