// The control as a container sees it: creation, type information, BType and its
// notification, persistence, the fixed extent, the face, and bad calls.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"

namespace quorvel::testing {
namespace {

class PathwellControlTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(CanUnloadNow(), S_OK) << "an object of the library is still alive"; }

  LONG GetBType(IDispatch* control) {
    DISPPARAMS none{};
    win::Variant value;
    EXPECT_HRESULT_SUCCEEDED(
        control->Invoke(kDispidBType, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, value.put(), nullptr, nullptr));
    EXPECT_EQ(value.type(), VT_I4);
    return value.Long();
  }
  HRESULT PutBType(IDispatch* control, LONG value) {
    win::Variant arg(value);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{arg.get(), &named, 1, 1};
    return control->Invoke(kDispidBType, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
  }
};

TEST_F(PathwellControlTest, CreatedByProgIdAndByClsidAsTheSameClass) {
  CLSID fromProgId{};
  ASSERT_HRESULT_SUCCEEDED(::CLSIDFromProgID(L"PathwellX.Pathwell", &fromProgId));
  Control byProgId(fromProgId);
  Control byClsid;
  ASSERT_HRESULT_SUCCEEDED(byProgId.created);
  ASSERT_HRESULT_SUCCEEDED(byClsid.created);
  for (Control* control : {&byProgId, &byClsid}) {
    auto persist = control->As<IPersist>(IID_IPersist);
    ASSERT_NE(persist.get(), nullptr);
    CLSID clsid{};
    persist->GetClassID(&clsid);
    EXPECT_TRUE(::IsEqualCLSID(clsid, kClsid));
  }
  // The interfaces a container asks for.
  for (const IID* iid : {&kIid, &IID_IOleObject, &IID_IOleControl, &IID_IOleInPlaceObject, &IID_IViewObject2,
                         &IID_IPersistPropertyBag, &IID_IPersistStreamInit, &IID_IProvideClassInfo2,
                         &IID_IConnectionPointContainer}) {
    win::ComPtr<IUnknown> unknown;
    EXPECT_HRESULT_SUCCEEDED(byClsid.dispatch->QueryInterface(*iid, unknown.put_void())) << GuidText(*iid);
  }
}

// The count as the object reports it: one reference more, then one less.
ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

TEST_F(PathwellControlTest, QueryInterfaceRefusesOtherInterfacesAndKeepsOneIdentityAndOneCount) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  IUnknown* const any = control.dispatch.get();

  // Interfaces the control does not have: E_NOINTERFACE, and the out pointer cleared.
  for (const IID* iid : {&IID_IOleLink, &IID_IDataObject, &IID_IPersistFile, &IID_IClassFactory, &kSourceIid}) {
    void* out = reinterpret_cast<void*>(static_cast<INT_PTR>(0x1234));
    EXPECT_EQ(any->QueryInterface(*iid, &out), E_NOINTERFACE) << GuidText(*iid);
    EXPECT_EQ(out, nullptr) << GuidText(*iid);
  }
  EXPECT_EQ(any->QueryInterface(IID_IOleObject, nullptr), E_POINTER);

  // IUnknown asked of any interface is one and the same pointer.
  win::ComPtr<IUnknown> identity;
  ASSERT_HRESULT_SUCCEEDED(any->QueryInterface(IID_IUnknown, identity.put_void()));
  for (const IID* iid : {&kIid, &IID_IDispatch, &IID_IOleObject, &IID_IOleWindow, &IID_IViewObject,
                         &IID_IPersist, &IID_IPersistPropertyBag, &IID_IProvideClassInfo,
                         &IID_IConnectionPointContainer}) {
    win::ComPtr<IUnknown> side;
    ASSERT_HRESULT_SUCCEEDED(any->QueryInterface(*iid, side.put_void())) << GuidText(*iid);
    win::ComPtr<IUnknown> back;
    ASSERT_HRESULT_SUCCEEDED(side->QueryInterface(IID_IUnknown, back.put_void()));
    EXPECT_EQ(back.get(), identity.get()) << GuidText(*iid);
  }

  // Every interface shares one count: a query adds one reference, a refused one none.
  const ULONG start = RefCount(any);
  {
    auto object = control.As<IOleObject>(IID_IOleObject);
    ASSERT_TRUE(object);
    EXPECT_EQ(RefCount(any), start + 1);
    EXPECT_EQ(RefCount(object.get()), start + 1);
    void* refused = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IOleLink, &refused), E_NOINTERFACE);
    EXPECT_EQ(RefCount(any), start + 1);
  }
  EXPECT_EQ(RefCount(any), start);
}

TEST_F(PathwellControlTest, TypeInformationDescribesTheControlLibrary) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  auto provide = control.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
  ASSERT_NE(provide.get(), nullptr);
  GUID source{};
  ASSERT_HRESULT_SUCCEEDED(provide->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
  EXPECT_TRUE(::IsEqualIID(source, kSourceIid));

  win::ComPtr<ITypeInfo> coclass;
  ASSERT_HRESULT_SUCCEEDED(provide->GetClassInfo(coclass.put()));
  TYPEATTR* attr = nullptr;
  ASSERT_HRESULT_SUCCEEDED(coclass->GetTypeAttr(&attr));
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_TRUE(::IsEqualCLSID(attr->guid, kClsid));
  EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FCONTROL);  // a control, not creatable by plain instantiation
  EXPECT_EQ(attr->cImplTypes, 2);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  coclass->ReleaseTypeAttr(attr);
  INT flags0 = 0, flags1 = 0;
  coclass->GetImplTypeFlags(0, &flags0);
  coclass->GetImplTypeFlags(1, &flags1);
  EXPECT_EQ(flags0, IMPLTYPEFLAG_FDEFAULT);
  EXPECT_EQ(flags1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);

  win::ComPtr<ITypeLib> library;
  UINT index = 0;
  ASSERT_HRESULT_SUCCEEDED(coclass->GetContainingTypeLib(library.put(), &index));
  TLIBATTR* libAttr = nullptr;
  ASSERT_HRESULT_SUCCEEDED(library->GetLibAttr(&libAttr));
  EXPECT_TRUE(::IsEqualGUID(libAttr->guid, kLibid));
  EXPECT_EQ(libAttr->lcid, 0u);
  EXPECT_EQ(libAttr->syskind, kOwnSysKind);  // argument sizes and vtable offsets of this architecture
  EXPECT_EQ(libAttr->wMajorVerNum, 1);
  EXPECT_EQ(libAttr->wMinorVerNum, 0);
  EXPECT_TRUE(libAttr->wLibFlags & LIBFLAG_FCONTROL);
  library->ReleaseTLibAttr(libAttr);
  win::Bstr name, doc;
  library->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr);
  EXPECT_STREQ(name.get(), L"PathwellX");
  EXPECT_STREQ(doc.get(), L"PathwellX");

  // _Pathwell: a dual interface whose own members follow IDispatch's.
  win::ComPtr<ITypeInfo> dispatch;
  ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(kIid, dispatch.put()));
  ASSERT_HRESULT_SUCCEEDED(dispatch->GetTypeAttr(&attr));
  // The platform reports OLE automation on the vtable side of a dual interface only.
  EXPECT_EQ(attr->wTypeFlags & ~TYPEFLAG_FOLEAUTOMATION,
            TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE);
  dispatch->ReleaseTypeAttr(attr);
  HREFTYPE vtableRef = 0;
  ASSERT_HRESULT_SUCCEEDED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef));
  win::ComPtr<ITypeInfo> vtable;
  ASSERT_HRESULT_SUCCEEDED(dispatch->GetRefTypeInfo(vtableRef, vtable.put()));
  ASSERT_HRESULT_SUCCEEDED(vtable->GetTypeAttr(&attr));
  ASSERT_EQ(attr->cFuncs, 3);
  EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
  EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                                  TYPEFLAG_FDISPATCHABLE);
  vtable->ReleaseTypeAttr(attr);
  struct Expected {
    const wchar_t* name;
    MEMBERID id;
    INVOKEKIND kind;
    short params;
  };
  const Expected expected[] = {{L"Pathwell", kDispidPathwell, INVOKE_FUNC, 3},
                               {L"BType", kDispidBType, INVOKE_PROPERTYGET, 1},
                               {L"BType", kDispidBType, INVOKE_PROPERTYPUT, 1}};
  for (UINT i = 0; i < 3; ++i) {
    FUNCDESC* func = nullptr;
    ASSERT_HRESULT_SUCCEEDED(vtable->GetFuncDesc(i, &func));
    win::Bstr funcName;
    vtable->GetDocumentation(func->memid, funcName.put(), nullptr, nullptr, nullptr);
    EXPECT_STREQ(funcName.get(), expected[i].name);
    EXPECT_EQ(func->memid, expected[i].id);
    EXPECT_EQ(func->invkind, expected[i].kind);
    EXPECT_EQ(func->cParams, expected[i].params);
    EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
    if (i == 0) {
      EXPECT_EQ(func->lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOUT);
      EXPECT_EQ(func->lprgelemdescParam[0].tdesc.lptdesc->vt, VT_I4);
      EXPECT_EQ(func->lprgelemdescParam[1].tdesc.lptdesc->vt, VT_BSTR);
      EXPECT_EQ(func->lprgelemdescParam[2].paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
      BSTR names[4] = {};
      UINT count = 0;
      vtable->GetNames(func->memid, names, 4, &count);
      const win::Bstr owned[4] = {win::Bstr(names[0]), win::Bstr(names[1]), win::Bstr(names[2]), win::Bstr(names[3])};
      ASSERT_EQ(count, 4u);
      EXPECT_STREQ(owned[1].get(), L"hndParentHandle");
      EXPECT_STREQ(owned[2].get(), L"txtPrompt");
    }
    vtable->ReleaseFuncDesc(func);
  }

  // __Pathwell: an event interface without members.
  win::ComPtr<ITypeInfo> events;
  ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(kSourceIid, events.put()));
  ASSERT_HRESULT_SUCCEEDED(events->GetTypeAttr(&attr));
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->cVars, 0);
  const WORD eventFuncs = attr->cFuncs;
  events->ReleaseTypeAttr(attr);
  // Whatever the platform lists belongs to IDispatch itself; the control adds nothing.
  for (UINT i = 0; i < eventFuncs; ++i) {
    FUNCDESC* func = nullptr;
    ASSERT_HRESULT_SUCCEEDED(events->GetFuncDesc(i, &func));
    EXPECT_LT(func->oVft / static_cast<short>(sizeof(void*)), 7);
    events->ReleaseFuncDesc(func);
  }

  DISPID id = 0;
  LPOLESTR method = const_cast<LPOLESTR>(L"Pathwell");
  ASSERT_HRESULT_SUCCEEDED(control.dispatch->GetIDsOfNames(IID_NULL, &method, 1, 0, &id));
  EXPECT_EQ(id, kDispidPathwell);
}

TEST_F(PathwellControlTest, BTypeStartsAtOneStoresAnyValueAndNotifiesItsContainer) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  EXPECT_EQ(GetBType(control.dispatch.get()), 1);

  TestSite site(false);
  auto container = control.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
  win::ComPtr<IConnectionPoint> point;
  ASSERT_HRESULT_SUCCEEDED(container->FindConnectionPoint(IID_IPropertyNotifySink, point.put()));
  DWORD cookie = 0;
  ASSERT_HRESULT_SUCCEEDED(point->Advise(static_cast<IPropertyNotifySink*>(&site), &cookie));

  ASSERT_HRESULT_SUCCEEDED(PutBType(control.dispatch.get(), 8192));
  EXPECT_EQ(GetBType(control.dispatch.get()), 8192);
  EXPECT_EQ(site.changes, 1);
  EXPECT_EQ(site.lastChange, kDispidBType);
  ASSERT_HRESULT_SUCCEEDED(PutBType(control.dispatch.get(), -7));
  EXPECT_EQ(GetBType(control.dispatch.get()), -7);
  EXPECT_EQ(site.changes, 2);

  auto persist = control.As<IPersistStreamInit>(IID_IPersistStreamInit);
  EXPECT_EQ(persist->IsDirty(), S_OK);

  EXPECT_HRESULT_SUCCEEDED(point->Unadvise(cookie));
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(site.refs, 1);

  // The event point exists and takes no sink that lacks its interface.
  win::ComPtr<IConnectionPoint> eventPoint;
  ASSERT_HRESULT_SUCCEEDED(container->FindConnectionPoint(kSourceIid, eventPoint.put()));
  EXPECT_EQ(eventPoint->Advise(static_cast<IPropertyNotifySink*>(&site), &cookie), CONNECT_E_CANNOTCONNECT);
  win::ComPtr<IEnumConnectionPoints> points;
  ASSERT_HRESULT_SUCCEEDED(container->EnumConnectionPoints(points.put()));
  IConnectionPoint* listed[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(3, listed, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 2u);
  std::vector<win::ComPtr<IConnectionPoint>> owned;
  for (ULONG i = 0; i < fetched; ++i) owned.push_back(win::ComPtr<IConnectionPoint>::Attach(listed[i]));
}

TEST_F(PathwellControlTest, PropertyBagKeepsBTypeOnlyWhenNotTheDefault) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  auto persist = control.As<IPersistPropertyBag>(IID_IPersistPropertyBag);
  ASSERT_HRESULT_SUCCEEDED(persist->InitNew());

  TestPropertyBag defaults;
  ASSERT_HRESULT_SUCCEEDED(persist->Save(&defaults, TRUE, FALSE));
  EXPECT_EQ(defaults.entries.count(L"BType"), 0u);
  ASSERT_EQ(defaults.entries.count(L"_extentx"), 1u);
  EXPECT_EQ(defaults.entries[L"_extentx"].Long(), 661);
  EXPECT_EQ(defaults.entries[L"_extenty"].Long(), 609);

  ASSERT_HRESULT_SUCCEEDED(PutBType(control.dispatch.get(), 16));
  TestPropertyBag sixteen;
  ASSERT_HRESULT_SUCCEEDED(persist->Save(&sixteen, TRUE, FALSE));
  ASSERT_EQ(sixteen.entries.count(L"BType"), 1u);
  EXPECT_EQ(sixteen.entries[L"BType"].Long(), 16);

  Control loaded;
  auto loadedPersist = loaded.As<IPersistPropertyBag>(IID_IPersistPropertyBag);
  ASSERT_HRESULT_SUCCEEDED(loadedPersist->Load(&sixteen, nullptr));
  EXPECT_EQ(GetBType(loaded.dispatch.get()), 16);
  ASSERT_HRESULT_SUCCEEDED(loadedPersist->Load(&defaults, nullptr));
  EXPECT_EQ(GetBType(loaded.dispatch.get()), 1);

  // Back from 16 to 1: the saved data holds no entry again.
  ASSERT_HRESULT_SUCCEEDED(PutBType(control.dispatch.get(), 1));
  TestPropertyBag backToOne;
  ASSERT_HRESULT_SUCCEEDED(persist->Save(&backToOne, TRUE, TRUE));
  EXPECT_EQ(backToOne.entries.count(L"BType"), 0u);
  ASSERT_HRESULT_SUCCEEDED(loadedPersist->Load(&backToOne, nullptr));
  EXPECT_EQ(GetBType(loaded.dispatch.get()), 1);
}

TEST_F(PathwellControlTest, PropertyBagEntriesThatAreNotIntegersAreCoercedOrRefused) {
  Control control;
  auto persist = control.As<IPersistPropertyBag>(IID_IPersistPropertyBag);
  TestPropertyBag bag;
  bag.entries[L"BType"] = win::Variant(L"64");
  ASSERT_HRESULT_SUCCEEDED(persist->Load(&bag, nullptr));
  EXPECT_EQ(GetBType(control.dispatch.get()), 64);

  bag.entries[L"BType"] = win::Variant(L"folders only");
  EXPECT_HRESULT_FAILED(persist->Load(&bag, nullptr));
  EXPECT_EQ(GetBType(control.dispatch.get()), 64);  // unchanged by the failed load

  TestPropertyBag broken;
  broken.failWith = E_ACCESSDENIED;
  EXPECT_EQ(persist->Load(&broken, nullptr), E_ACCESSDENIED);
  EXPECT_EQ(persist->Save(&broken, TRUE, TRUE), E_ACCESSDENIED);
  EXPECT_EQ(persist->Load(nullptr, nullptr), E_POINTER);
}

TEST_F(PathwellControlTest, StreamPersistenceRoundTripsBType) {
  Control control;
  auto persist = control.As<IPersistStreamInit>(IID_IPersistStreamInit);
  ASSERT_HRESULT_SUCCEEDED(persist->InitNew());
  ASSERT_HRESULT_SUCCEEDED(PutBType(control.dispatch.get(), 0x41));
  win::ComPtr<IStream> stream;
  ASSERT_HRESULT_SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()));
  ASSERT_HRESULT_SUCCEEDED(persist->Save(stream.get(), TRUE));
  EXPECT_EQ(persist->IsDirty(), S_FALSE);

  Control loaded;
  auto loadedPersist = loaded.As<IPersistStreamInit>(IID_IPersistStreamInit);
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  ASSERT_HRESULT_SUCCEEDED(loadedPersist->Load(stream.get()));
  EXPECT_EQ(GetBType(loaded.dispatch.get()), 0x41);
  // A stream that ends early is refused.
  EXPECT_HRESULT_FAILED(loadedPersist->Load(stream.get()));
}

TEST_F(PathwellControlTest, ExtentStaysAt375By345TwipsWhateverTheContainerAsks) {
  Control control;
  auto object = control.As<IOleObject>(IID_IOleObject);
  SIZEL size{};
  ASSERT_HRESULT_SUCCEEDED(object->GetExtent(DVASPECT_CONTENT, &size));
  EXPECT_EQ(size.cx, 661);
  EXPECT_EQ(size.cy, 609);
  for (SIZEL asked : {SIZEL{5000, 3000}, SIZEL{1, 1}, SIZEL{661, 100}}) {
    object->SetExtent(DVASPECT_CONTENT, &asked);
    ASSERT_HRESULT_SUCCEEDED(object->GetExtent(DVASPECT_CONTENT, &size));
    EXPECT_EQ(size.cx, 661);
    EXPECT_EQ(size.cy, 609);
  }
  auto view = control.As<IViewObject2>(IID_IViewObject2);
  ASSERT_HRESULT_SUCCEEDED(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &size));
  EXPECT_EQ(size.cx, 661);
  EXPECT_EQ(size.cy, 609);
  DWORD misc = 0;
  ASSERT_HRESULT_SUCCEEDED(object->GetMiscStatus(DVASPECT_CONTENT, &misc));
  EXPECT_EQ(misc, 132497u);
}

// What Draw leaves in a white 24 x 23 bitmap.
std::vector<COLORREF> DrawnPixels(IViewObject2* view) {
  win::Bitmap bitmap;
  win::Dc memory;
  {
    win::ScopedGetDC screen(nullptr);
    memory.reset(::CreateCompatibleDC(screen));
    bitmap.reset(::CreateCompatibleBitmap(screen, 24, 23));
  }
  const HDC dc = memory.get();
  std::vector<COLORREF> pixels;
  {
    win::ScopedSelectObject selected(dc, bitmap.get());
    RECT all{0, 0, 24, 23};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    RECTL bounds{0, 0, 24, 23};
    EXPECT_HRESULT_SUCCEEDED(
        view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0));
    for (int y = 0; y < 23; ++y) {
      for (int x = 0; x < 24; ++x) pixels.push_back(::GetPixel(dc, x, y));
    }
  }
  return pixels;
}

TEST_F(PathwellControlTest, FaceIsDrawnAtDesignTimeAndNothingAtRunTime) {
  Control control;
  auto object = control.As<IOleObject>(IID_IOleObject);
  auto view = control.As<IViewObject2>(IID_IViewObject2);

  TestSite design(false);
  ASSERT_HRESULT_SUCCEEDED(object->SetClientSite(&design));
  const std::vector<COLORREF> face = DrawnPixels(view.get());
  EXPECT_EQ(face[0], RGB(64, 64, 64));            // the dark frame
  EXPECT_EQ(face[24 + 1], RGB(192, 192, 192));    // the grey ground
  EXPECT_EQ(face[15 * 24 + 10], RGB(255, 255, 0));  // the yellow folder

  TestSite running(true);
  ASSERT_HRESULT_SUCCEEDED(object->SetClientSite(&running));
  for (COLORREF pixel : DrawnPixels(view.get())) ASSERT_EQ(pixel, RGB(255, 255, 255));

  EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0),
            DV_E_DVASPECT);
  ASSERT_HRESULT_SUCCEEDED(object->Close(OLECLOSE_NOSAVE));
  ASSERT_HRESULT_SUCCEEDED(object->SetClientSite(nullptr));
  EXPECT_EQ(design.refs, 1);
  EXPECT_EQ(running.refs, 1);
}

// A design-time container window for in-place activation: it records the position the
// control asks for.
class InPlaceSite final : public ClientSiteBase, public IOleInPlaceSite {
 public:
  explicit InPlaceSite(HWND parent) : parent_(parent) {}
  RECT asked{};
  int deactivations = 0;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    static const QITAB table[] = {QITABENT(InPlaceSite, IOleClientSite), QITABENT(InPlaceSite, IOleInPlaceSite),
                                  QITABENTMULTI(InPlaceSite, IOleWindow, IOleInPlaceSite),
                                  QITABENT(InPlaceSite, IDispatch), {}};
    return ::QISearch(this, table, iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetWindow(HWND* window) override {
    *window = parent_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
    *frame = nullptr;
    *document = nullptr;
    *position = RECT{16, 4, 216, 104};
    *clip = *position;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override {
    ++deactivations;
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT position) override {
    asked = *position;
    return S_OK;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != DISPID_AMBIENT_USERMODE) return DISP_E_MEMBERNOTFOUND;
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = VARIANT_FALSE;
    return S_OK;
  }

 private:
  HWND parent_;
};

TEST_F(PathwellControlTest, InPlaceWindowKeepsTheFixedSizeWhenResized) {
  const win::WindowHandle container(::CreateWindowExW(0, L"STATIC", L"container", WS_OVERLAPPEDWINDOW, 0, 0, 400,
                                                      300, nullptr, nullptr, nullptr, nullptr));
  const HWND parent = container.get();
  win::ScopedGetDC screen(nullptr);
  const SIZE fixed{::MulDiv(375, ::GetDeviceCaps(screen, LOGPIXELSX), 1440),
                   ::MulDiv(345, ::GetDeviceCaps(screen, LOGPIXELSY), 1440)};
  {
    InPlaceSite site(parent);
    Control control;
    auto object = control.As<IOleObject>(IID_IOleObject);
    ASSERT_HRESULT_SUCCEEDED(object->SetClientSite(&site));
    ASSERT_HRESULT_SUCCEEDED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, parent, nullptr));
    // The container offered 200 x 100 pixels; the control asks for its own size back.
    EXPECT_EQ(site.asked.right - site.asked.left, fixed.cx);
    EXPECT_EQ(site.asked.bottom - site.asked.top, fixed.cy);

    auto inPlace = control.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    HWND window = nullptr;
    ASSERT_HRESULT_SUCCEEDED(inPlace->GetWindow(&window));
    EXPECT_EQ(::GetParent(window), parent);
    EXPECT_TRUE(::IsWindowVisible(window) || !::IsWindowVisible(parent));

    const RECT bigger{30, 40, 530, 440};
    ASSERT_HRESULT_SUCCEEDED(inPlace->SetObjectRects(&bigger, &bigger));
    RECT now{};
    ::GetClientRect(window, &now);
    EXPECT_EQ(now.right, fixed.cx);
    EXPECT_EQ(now.bottom, fixed.cy);
    EXPECT_EQ(site.asked.left, 30);
    EXPECT_EQ(site.asked.right - site.asked.left, fixed.cx);

    ASSERT_HRESULT_SUCCEEDED(object->Close(OLECLOSE_NOSAVE));
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(site.deactivations, 1);
    object->SetClientSite(nullptr);
  }
}

TEST_F(PathwellControlTest, BadCallsGetThePlatformsAnswers) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  win::Variant result;
  DISPPARAMS none{};
  EXPECT_EQ(control.dispatch->Invoke(0x12345, IID_NULL, 0, DISPATCH_METHOD, &none, result.put(), nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  UINT argError = 0;
  EXPECT_EQ(control.dispatch->Invoke(kDispidPathwell, IID_NULL, 0, DISPATCH_METHOD, &none, result.put(), nullptr,
                                     &argError),
            DISP_E_BADPARAMCOUNT);

  // A prompt that is no string cannot be passed by reference.
  LONG owner = 0;
  VARIANTARG args[2];
  V_VT(&args[0]) = VT_DISPATCH;
  V_DISPATCH(&args[0]) = nullptr;
  V_VT(&args[1]) = VT_BYREF | VT_I4;
  V_I4REF(&args[1]) = &owner;
  DISPPARAMS wrong{args, nullptr, 2, 0};
  const HRESULT mismatch =
      control.dispatch->Invoke(kDispidPathwell, IID_NULL, 0, DISPATCH_METHOD, &wrong, result.put(), nullptr, &argError);
  EXPECT_TRUE(mismatch == DISP_E_TYPEMISMATCH || mismatch == DISP_E_BADVARTYPE) << std::hex << mismatch;

  win::ComPtr<IUnknown> raw;
  ASSERT_HRESULT_SUCCEEDED(control.dispatch->QueryInterface(kIid, raw.put_void()));
  // The vtable side: _Pathwell's methods follow IDispatch's seven.
  using BrowseMethod = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, LONG*, BSTR*, BSTR*);
  using GetMethod = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, LONG*);
  void** vtable = *reinterpret_cast<void***>(raw.get());
  BSTR prompt = nullptr;
  BSTR answer = nullptr;
  EXPECT_EQ(reinterpret_cast<BrowseMethod>(vtable[7])(raw.get(), nullptr, &prompt, &answer), E_POINTER);
  EXPECT_EQ(reinterpret_cast<BrowseMethod>(vtable[7])(raw.get(), &owner, nullptr, &answer), E_POINTER);
  EXPECT_EQ(reinterpret_cast<BrowseMethod>(vtable[7])(raw.get(), &owner, &prompt, nullptr), E_POINTER);
  EXPECT_EQ(reinterpret_cast<GetMethod>(vtable[8])(raw.get(), nullptr), E_POINTER);

  auto persist = control.As<IPersistStreamInit>(IID_IPersistStreamInit);
  EXPECT_EQ(persist->Load(nullptr), E_POINTER);
  EXPECT_EQ(persist->Save(nullptr, TRUE), E_POINTER);
}

// Counts that promise arrays the caller did not hand in, or more names than arguments: the
// call is refused before anything reads through them, for every member and every kind of call.
TEST_F(PathwellControlTest, MalformedDispParamsAreRefusedWithoutReadingThem) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  LONG owner = 0;
  BSTR prompt = nullptr;
  VARIANTARG args[2];
  V_VT(&args[0]) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&args[0]) = &prompt;
  V_VT(&args[1]) = VT_BYREF | VT_I4;
  V_I4REF(&args[1]) = &owner;
  DISPID named[2] = {DISPID_PROPERTYPUT, 0};
  struct Case {
    const char* what;
    DISPPARAMS params;
  };
  const Case cases[] = {
      {"arguments counted, no argument array", {nullptr, nullptr, 2, 0}},
      {"one argument counted, no argument array", {nullptr, named, 1, 1}},
      {"names counted, no name array", {args, nullptr, 2, 1}},
      {"names counted, neither array", {nullptr, nullptr, 2, 2}},
      {"more names than arguments", {args, named, 1, 2}},
      {"names without arguments", {nullptr, named, 0, 1}},
  };
  const std::pair<DISPID, WORD> calls[] = {
      {kDispidPathwell, DISPATCH_METHOD},
      {kDispidPathwell, DISPATCH_METHOD | DISPATCH_PROPERTYGET},
      {kDispidBType, DISPATCH_PROPERTYGET},
      {kDispidBType, DISPATCH_PROPERTYPUT},
      {0x12345, DISPATCH_METHOD},
  };
  for (const Case& c : cases) {
    for (const auto& [id, flags] : calls) {
      DISPPARAMS params = c.params;
      win::Variant result;
      UINT argError = 0;
      EXPECT_EQ(control.dispatch->Invoke(id, IID_NULL, 0, flags, &params, result.put(), nullptr, &argError), E_INVALIDARG)
          << c.what << ", member " << std::hex << id << ", flags " << flags;
      EXPECT_EQ(result.type(), VT_EMPTY) << c.what;
    }
  }
  EXPECT_EQ(owner, 0);
  EXPECT_EQ(prompt, nullptr);
  // Nothing of the control was touched: well-formed calls still work.
  EXPECT_EQ(GetBType(control.dispatch.get()), 1);
  ASSERT_HRESULT_SUCCEEDED(PutBType(control.dispatch.get(), 16));
  EXPECT_EQ(GetBType(control.dispatch.get()), 16);
}

// A view sink counting its references; it hears nothing else.
class CountedAdviseSink final : public IAdviseSink {
 public:
  LONG refs = 1;
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    static const QITAB table[] = {QITABENT(CountedAdviseSink, IAdviseSink), {}};
    return ::QISearch(this, table, iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override {}
  STDMETHODIMP_(void) OnRename(IMoniker*) override {}
  STDMETHODIMP_(void) OnSave() override {}
  STDMETHODIMP_(void) OnClose() override {}
};

// Every entry a container can reach, called with a null where it takes an array or hands
// something out: refused with an error, never read or written through.
TEST_F(PathwellControlTest, NullPointersAreRefusedByEveryEntryPoint) {
  Control control;
  ASSERT_HRESULT_SUCCEEDED(control.created);
  auto object = control.As<IOleObject>(IID_IOleObject);
  auto oleControl = control.As<IOleControl>(IID_IOleControl);
  auto inPlace = control.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
  auto view = control.As<IViewObject2>(IID_IViewObject2);
  auto bag = control.As<IPersistPropertyBag>(IID_IPersistPropertyBag);
  auto stream = control.As<IPersistStreamInit>(IID_IPersistStreamInit);
  auto classInfo = control.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
  auto points = control.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
  win::ComPtr<IConnectionPoint> point;
  ASSERT_HRESULT_SUCCEEDED(points->FindConnectionPoint(IID_IPropertyNotifySink, point.put()));
  win::ComPtr<IEnumConnectionPoints> pointList;
  ASSERT_HRESULT_SUCCEEDED(points->EnumConnectionPoints(pointList.put()));
  win::ComPtr<IClassFactory> factory;
  ASSERT_HRESULT_SUCCEEDED(
      ::CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void()));
  Library library;
  ASSERT_NE(library.getClassObject, nullptr);
  TestSite site(true);
  CountedAdviseSink sink;

  wchar_t name[] = L"Pathwell";
  LPOLESTR names[] = {name, nullptr};
  DISPID ids[2] = {};
  DWORD cookie = 0;
  IConnectionPoint* fetched[2] = {};
  struct Case {
    const char* what;
    std::function<HRESULT()> call;
    HRESULT expected;
  };
  const Case cases[] = {
      {"GetIDsOfNames, no name array",
       [&] { return control.dispatch->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids); }, E_INVALIDARG},
      {"GetIDsOfNames, no identifier array",
       [&] { return control.dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, nullptr); }, E_POINTER},
      {"GetIDsOfNames, neither array",
       [&] { return control.dispatch->GetIDsOfNames(IID_NULL, nullptr, 2, 0, nullptr); }, E_POINTER},
      {"GetIDsOfNames, a null name", [&] { return control.dispatch->GetIDsOfNames(IID_NULL, names, 2, 0, ids); },
       E_INVALIDARG},
      {"GetIDsOfNames, no name counted, no arrays",
       [&] { return control.dispatch->GetIDsOfNames(IID_NULL, nullptr, 0, 0, ids); }, E_INVALIDARG},
      {"GetTypeInfoCount", [&] { return control.dispatch->GetTypeInfoCount(nullptr); }, E_POINTER},
      {"GetTypeInfo", [&] { return control.dispatch->GetTypeInfo(0, 0, nullptr); }, E_POINTER},
      {"DllGetClassObject", [&] { return library.getClassObject(kClsid, IID_IClassFactory, nullptr); }, E_POINTER},
      {"IClassFactory::CreateInstance", [&] { return factory->CreateInstance(nullptr, IID_IDispatch, nullptr); },
       E_POINTER},
      {"IClassFactory::QueryInterface", [&] { return factory->QueryInterface(IID_IClassFactory, nullptr); },
       E_POINTER},
      {"IOleObject::GetClientSite", [&] { return object->GetClientSite(nullptr); }, E_POINTER},
      {"IOleObject::GetMoniker", [&] { return object->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_OBJFULL, nullptr); },
       E_POINTER},
      {"IOleObject::GetClipboardData", [&] { return object->GetClipboardData(0, nullptr); }, E_POINTER},
      {"IOleObject::EnumVerbs", [&] { return object->EnumVerbs(nullptr); }, E_POINTER},
      {"IOleObject::GetUserClassID", [&] { return object->GetUserClassID(nullptr); }, E_POINTER},
      {"IOleObject::GetUserType", [&] { return object->GetUserType(USERCLASSTYPE_FULL, nullptr); }, E_POINTER},
      {"IOleObject::GetExtent", [&] { return object->GetExtent(DVASPECT_CONTENT, nullptr); }, E_POINTER},
      {"IOleObject::SetExtent", [&] { return object->SetExtent(DVASPECT_CONTENT, nullptr); }, E_POINTER},
      {"IOleObject::Advise, no sink", [&] { return object->Advise(nullptr, &cookie); }, E_INVALIDARG},
      {"IOleObject::Advise, no cookie", [&] { return object->Advise(&sink, nullptr); }, E_POINTER},
      {"IOleObject::EnumAdvise", [&] { return object->EnumAdvise(nullptr); }, E_POINTER},
      {"IOleObject::GetMiscStatus", [&] { return object->GetMiscStatus(DVASPECT_CONTENT, nullptr); }, E_POINTER},
      {"IOleControl::GetControlInfo", [&] { return oleControl->GetControlInfo(nullptr); }, E_POINTER},
      {"IOleInPlaceObject::GetWindow", [&] { return inPlace->GetWindow(nullptr); }, E_POINTER},
      {"IOleInPlaceObject::SetObjectRects", [&] { return inPlace->SetObjectRects(nullptr, nullptr); }, E_POINTER},
      {"IViewObject::Draw, no device context",
       [&] {
         return view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
       },
       E_INVALIDARG},
      {"IViewObject::GetColorSet",
       [&] { return view->GetColorSet(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr); }, E_POINTER},
      {"IViewObject::GetAdvise, nothing asked", [&] { return view->GetAdvise(nullptr, nullptr, nullptr); }, S_OK},
      {"IViewObject2::GetExtent", [&] { return view->GetExtent(DVASPECT_CONTENT, -1, nullptr, nullptr); }, E_POINTER},
      {"IPersistPropertyBag::Load", [&] { return bag->Load(nullptr, nullptr); }, E_POINTER},
      {"IPersistPropertyBag::Save", [&] { return bag->Save(nullptr, TRUE, TRUE); }, E_POINTER},
      {"IPersist::GetClassID", [&] { return bag->GetClassID(nullptr); }, E_POINTER},
      {"IPersistStreamInit::GetSizeMax", [&] { return stream->GetSizeMax(nullptr); }, E_POINTER},
      {"IProvideClassInfo::GetClassInfo", [&] { return classInfo->GetClassInfo(nullptr); }, E_POINTER},
      {"IProvideClassInfo2::GetGUID",
       [&] { return classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr); }, E_POINTER},
      {"IConnectionPointContainer::EnumConnectionPoints", [&] { return points->EnumConnectionPoints(nullptr); },
       E_POINTER},
      {"IConnectionPointContainer::FindConnectionPoint",
       [&] { return points->FindConnectionPoint(IID_IPropertyNotifySink, nullptr); }, E_POINTER},
      {"IConnectionPoint::QueryInterface", [&] { return point->QueryInterface(IID_IConnectionPoint, nullptr); },
       E_POINTER},
      {"IConnectionPoint::GetConnectionInterface", [&] { return point->GetConnectionInterface(nullptr); }, E_POINTER},
      {"IConnectionPoint::GetConnectionPointContainer",
       [&] { return point->GetConnectionPointContainer(nullptr); }, E_POINTER},
      {"IConnectionPoint::Advise, no sink", [&] { return point->Advise(nullptr, &cookie); }, E_POINTER},
      {"IConnectionPoint::Advise, no cookie", [&] { return point->Advise(static_cast<IPropertyNotifySink*>(&site), nullptr); }, E_POINTER},
      {"IConnectionPoint::EnumConnections", [&] { return point->EnumConnections(nullptr); }, E_POINTER},
      {"IEnumConnectionPoints::Next, no array", [&] { return pointList->Next(1, nullptr, nullptr); }, E_POINTER},
      {"IEnumConnectionPoints::Next, two without a count",
       [&] { return pointList->Next(2, fetched, nullptr); }, E_POINTER},
      {"IEnumConnectionPoints::Clone", [&] { return pointList->Clone(nullptr); }, E_POINTER},
      {"IEnumConnectionPoints::QueryInterface",
       [&] { return pointList->QueryInterface(IID_IEnumConnectionPoints, nullptr); }, E_POINTER},
  };
  for (const Case& c : cases) EXPECT_EQ(c.call(), c.expected) << c.what;
  EXPECT_EQ(sink.refs, 1) << "a refused Advise kept the sink";
  EXPECT_EQ(site.refs, 1) << "a refused Advise kept the sink";
  EXPECT_EQ(fetched[0], nullptr);
  // The control still answers well-formed calls.
  LPOLESTR method = name;
  ASSERT_HRESULT_SUCCEEDED(control.dispatch->GetIDsOfNames(IID_NULL, &method, 1, 0, ids));
  EXPECT_EQ(ids[0], kDispidPathwell);
}

}  // namespace
}  // namespace quorvel::testing
