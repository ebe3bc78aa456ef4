#include "PathwellControl.h"

#include <string>
#include <utility>

#include "Face.h"
#include "ShellBrowse.h"
#include "Variant.h"
#include "com/Server.h"

namespace quorvel::pathwell {
namespace {

// Hands out another reference to what `owned` holds (nullptr included).
template <typename I>
void CopyOut(const win::ComPtr<I>& owned, I** out) {
  *out = owned.get();
  if (*out) (*out)->AddRef();
}

}  // namespace

PathwellControl::PathwellControl()
    : propertySinks_(static_cast<IOleObject*>(this), this, IID_IPropertyNotifySink),
      eventSinks_(static_cast<IOleObject*>(this), this, kDiidPathwellEvents),
      points_{&propertySinks_, &eventSinks_} {}

PathwellControl::~PathwellControl() {
  if (window_) ::DestroyWindow(window_);
}

HRESULT PathwellControl::Create(REFIID iid, void** object) { return Make(iid, object); }

const QITAB* PathwellControl::QiTable() {
  static const QITAB table[] = {
      QITABENT(PathwellControl, _Pathwell),
      QITABENTMULTI(PathwellControl, IDispatch, _Pathwell),
      QITABENT(PathwellControl, IOleObject),
      QITABENT(PathwellControl, IOleControl),
      QITABENT(PathwellControl, IOleInPlaceObject),
      QITABENTMULTI(PathwellControl, IOleWindow, IOleInPlaceObject),
      QITABENT(PathwellControl, IViewObject2),
      QITABENTMULTI(PathwellControl, IViewObject, IViewObject2),
      QITABENT(PathwellControl, IPersistPropertyBag),
      QITABENT(PathwellControl, IPersistStreamInit),
      QITABENTMULTI(PathwellControl, IPersist, IPersistStreamInit),
      QITABENT(PathwellControl, IProvideClassInfo2),
      QITABENTMULTI(PathwellControl, IProvideClassInfo, IProvideClassInfo2),
      QITABENT(PathwellControl, IConnectionPointContainer),
      {},
  };
  return table;
}

// --- _Pathwell ---

STDMETHODIMP PathwellControl::Pathwell(LONG* hndParentHandle, BSTR* txtPrompt, BSTR* result) {
  if (!hndParentHandle || !txtPrompt || !result) return E_POINTER;
  *result = nullptr;
  const HWND owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(*hndParentHandle));
  const std::wstring prompt(*txtPrompt ? *txtPrompt : L"", ::SysStringLen(*txtPrompt));
  LONG flags = 0;
  HRESULT hr = get_BType(&flags);
  if (FAILED(hr)) return hr;

  const ShellApi* api = nullptr;
  hr = BindShellApi(&api);
  if (FAILED(hr)) return hr;
  std::wstring path;
  hr = BrowseForFolder(*api, owner, prompt, flags, path);
  if (FAILED(hr)) return hr;
  *result = ::SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
  return *result ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP PathwellControl::get_BType(LONG* value) {
  if (!value) return E_POINTER;
  *value = btype_;
  return S_OK;
}

STDMETHODIMP PathwellControl::put_BType(LONG value) {
  btype_ = value;
  dirty_ = true;
  propertySinks_.ForEach<IPropertyNotifySink>([](IPropertyNotifySink* sink) { sink->OnChanged(kDispidBType); });
  return S_OK;
}

// --- IOleObject ---

STDMETHODIMP PathwellControl::SetClientSite(IOleClientSite* site) {
  site_ = win::ComPtr<IOleClientSite>::From(site);
  return S_OK;
}

STDMETHODIMP PathwellControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  CopyOut(site_, site);
  return S_OK;
}

STDMETHODIMP PathwellControl::Close(DWORD) {
  InPlaceDeactivate();
  // Sinks hold references that could keep the control alive after its container is gone.
  propertySinks_.UnadviseAll();
  eventSinks_.UnadviseAll();
  if (adviseHolder_) adviseHolder_->SendOnClose();
  viewSink_.reset();
  return S_OK;
}

STDMETHODIMP PathwellControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP PathwellControl::GetClipboardData(DWORD, IDataObject** data) {
  if (!data) return E_POINTER;
  *data = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP PathwellControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT position) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
      return InPlaceActivate(activeSite ? activeSite : site_.get(), position);
    case OLEIVERB_HIDE:
      if (window_) ::ShowWindow(window_, SW_HIDE);
      return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
      return S_OK;
    default:
      return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
  }
}

STDMETHODIMP PathwellControl::EnumVerbs(IEnumOLEVERB** verbs) {
  if (!verbs) return E_POINTER;
  return ::OleRegEnumVerbs(kClsidPathwell, verbs);
}

STDMETHODIMP PathwellControl::GetUserType(DWORD form, LPOLESTR* type) {
  if (!type) return E_POINTER;
  return ::OleRegGetUserType(kClsidPathwell, form, type);
}

STDMETHODIMP PathwellControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  // Any new size is undone at once: the control is always 375 x 345 twips.
  if (size->cx != kExtentX || size->cy != kExtentY) {
    if (inPlaceSite_ && window_) {
      RECT fixed{};
      ::GetWindowRect(window_, &fixed);
      ::MapWindowPoints(nullptr, ::GetParent(window_), reinterpret_cast<POINT*>(&fixed), 2);
      const SIZE pixels = PixelSize();
      fixed.right = fixed.left + pixels.cx;
      fixed.bottom = fixed.top + pixels.cy;
      inPlaceSite_->OnPosRectChange(&fixed);
    }
    ViewChanged();
  }
  return S_OK;
}

STDMETHODIMP PathwellControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  size->cx = kExtentX;
  size->cy = kExtentY;
  return S_OK;
}

STDMETHODIMP PathwellControl::Advise(IAdviseSink* sink, DWORD* connection) {
  if (!connection) return E_POINTER;
  *connection = 0;
  // A connection without a sink would be counted and never told anything.
  if (!sink) return E_INVALIDARG;
  if (!adviseHolder_) {
    const HRESULT hr = ::CreateOleAdviseHolder(adviseHolder_.put());
    if (FAILED(hr)) return hr;
  }
  return adviseHolder_->Advise(sink, connection);
}

STDMETHODIMP PathwellControl::Unadvise(DWORD connection) {
  return adviseHolder_ ? adviseHolder_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP PathwellControl::EnumAdvise(IEnumSTATDATA** advise) {
  if (!advise) return E_POINTER;
  *advise = nullptr;
  return adviseHolder_ ? adviseHolder_->EnumAdvise(advise) : E_FAIL;
}

STDMETHODIMP PathwellControl::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (!status) return E_POINTER;
  *status = aspect == DVASPECT_CONTENT ? kMiscStatus : 0;
  return S_OK;
}

// --- IOleControl ---

STDMETHODIMP PathwellControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  // No mnemonics, no accelerators.
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

STDMETHODIMP PathwellControl::OnAmbientPropertyChange(DISPID) {
  // UserMode may have changed: the face shows at design time only.
  if (window_) ::ShowWindow(window_, UserMode() ? SW_HIDE : SW_SHOWNA);
  ViewChanged();
  return S_OK;
}

// --- IOleInPlaceObject ---

STDMETHODIMP PathwellControl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP PathwellControl::InPlaceDeactivate() {
  if (!inPlaceSite_) return S_OK;
  if (window_) {
    ::DestroyWindow(window_);
    window_ = nullptr;
  }
  const win::ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  site->OnInPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP PathwellControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  const SIZE pixels = PixelSize();
  if (window_) ::SetWindowPos(window_, nullptr, position->left, position->top, pixels.cx, pixels.cy,
                              SWP_NOZORDER | SWP_NOACTIVATE);
  if (inPlaceSite_ && (position->right - position->left != pixels.cx || position->bottom - position->top != pixels.cy)) {
    RECT fixed{position->left, position->top, position->left + pixels.cx, position->top + pixels.cy};
    inPlaceSite_->OnPosRectChange(&fixed);
  }
  return S_OK;
}

HRESULT PathwellControl::InPlaceActivate(IOleClientSite* site, LPCRECT position) {
  if (inPlaceSite_) {
    if (window_ && !UserMode()) ::ShowWindow(window_, SW_SHOWNA);
    return S_OK;
  }
  if (!site) return E_UNEXPECTED;
  win::ComPtr<IOleInPlaceSite> inPlaceSite;
  HRESULT hr = site->QueryInterface(IID_IOleInPlaceSite, inPlaceSite.put_void());
  if (FAILED(hr)) return hr;
  if (inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
  HWND parent = nullptr;
  hr = inPlaceSite->GetWindow(&parent);
  if (FAILED(hr)) return hr;
  if (!FaceWindow::Register(com::Server::Instance())) return HRESULT_FROM_WIN32(::GetLastError());
  RECT where{};
  if (position) {
    where = *position;
  } else {
    win::ComPtr<IOleInPlaceFrame> frame;
    win::ComPtr<IOleInPlaceUIWindow> document;
    RECT clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    inPlaceSite->GetWindowContext(frame.put(), document.put(), &where, &clip, &frameInfo);
  }
  inPlaceSite->OnInPlaceActivate();
  inPlaceSite_ = std::move(inPlaceSite);
  const SIZE pixels = PixelSize();
  window_ = ::CreateWindowExW(0, FaceWindow::kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, where.left, where.top, pixels.cx,
                              pixels.cy, parent, nullptr, com::Server::Instance(), nullptr);
  if (!window_) {
    hr = HRESULT_FROM_WIN32(::GetLastError());
    InPlaceDeactivate();
    return hr;
  }
  if (!UserMode()) ::ShowWindow(window_, SW_SHOWNA);
  if (where.right - where.left != pixels.cx || where.bottom - where.top != pixels.cy) {
    RECT fixed{where.left, where.top, where.left + pixels.cx, where.top + pixels.cy};
    inPlaceSite_->OnPosRectChange(&fixed);
  }
  return S_OK;
}

// --- IViewObject2 ---

STDMETHODIMP PathwellControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                   LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc) return E_INVALIDARG;
  // Invisible at run time: nothing on the host's window.
  if (UserMode()) return S_OK;
  RECT area{};
  if (bounds) {
    area = RECT{bounds->left, bounds->top, bounds->right, bounds->bottom};
  } else if (window_) {
    ::GetClientRect(window_, &area);
  } else {
    return E_INVALIDARG;
  }
  DrawFace(dc, area);
  return S_OK;
}

STDMETHODIMP PathwellControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
  if (!colours) return E_POINTER;
  *colours = nullptr;
  return S_FALSE;
}

STDMETHODIMP PathwellControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewSink_ = win::ComPtr<IAdviseSink>::From(sink);
  viewAspects_ = aspects;
  viewFlags_ = flags;
  return S_OK;
}

STDMETHODIMP PathwellControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) CopyOut(viewSink_, sink);
  return S_OK;
}

STDMETHODIMP PathwellControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// --- class information and connection points ---

STDMETHODIMP PathwellControl::GetClassInfo(ITypeInfo** info) { return com::GetTypeInfoOfGuid(kClsidPathwell, info); }

STDMETHODIMP PathwellControl::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = kDiidPathwellEvents;
  return S_OK;
}

STDMETHODIMP PathwellControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
  return com::EnumConnectionPoints(points_, points);
}

STDMETHODIMP PathwellControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  return com::FindConnectionPoint(points_, iid, point);
}

// --- helpers ---

bool PathwellControl::UserMode() const {
  // Without a site or an answer the control behaves as at run time: it draws nothing.
  if (!site_) return true;
  win::ComPtr<IDispatch> ambient;
  if (FAILED(site_->QueryInterface(IID_IDispatch, ambient.put_void()))) return true;
  DISPPARAMS none{};
  win::Variant value;
  const HRESULT hr = ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                     &none, value.put(), nullptr, nullptr);
  if (FAILED(hr) || FAILED(value.ChangeType(VT_BOOL))) return true;
  return value.Bool();
}

SIZE PathwellControl::PixelSize() const {
  win::ScopedGetDC screen(nullptr);
  const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
  const int dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
  return SIZE{win::TwipsToPixels(kWidthTwips, dpiX), win::TwipsToPixels(kHeightTwips, dpiY)};
}

void PathwellControl::ViewChanged() {
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
  if (viewSink_) viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}

}  // namespace quorvel::pathwell
