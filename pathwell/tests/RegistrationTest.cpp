// The library's registration record, exports, identifiers and version record.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace quorvel::testing {
namespace {

const std::wstring kClassKey = L"CLSID\\" + GuidText(kClsid);

std::wstring FullOcxPath() {
  wchar_t full[MAX_PATH] = {};
  ::GetFullPathNameW(OcxPath().c_str(), MAX_PATH, full, nullptr);
  return full;
}

TEST(PathwellRegistration, RegisterWritesTheControlsClassRecord) {
  Library library;
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
  EXPECT_EQ(ReadString(kClassKey), L"Pathwell");
  EXPECT_EQ(ReadString(kClassKey + L"\\ProgID"), L"PathwellX.Pathwell");
  EXPECT_EQ(ReadString(kClassKey + L"\\InprocServer32"), FullOcxPath());
  EXPECT_EQ(ReadString(kClassKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_TRUE(KeyExists(kClassKey + L"\\Control"));
  EXPECT_EQ(ReadString(kClassKey + L"\\MiscStatus"), L"0");
  EXPECT_EQ(ReadString(kClassKey + L"\\MiscStatus\\1"), L"132497");
  EXPECT_EQ(ReadString(kClassKey + L"\\ToolboxBitmap32"), FullOcxPath() + L", 30000");
  EXPECT_EQ(ReadString(kClassKey + L"\\TypeLib"), GuidText(kLibid));
  EXPECT_EQ(ReadString(kClassKey + L"\\Version"), L"1.0");
  EXPECT_EQ(ReadString(L"PathwellX.Pathwell\\CLSID"), GuidText(kClsid));
}

TEST(PathwellRegistration, RegisterRegistersTheTypeLibraryAndItsInterfaces) {
  Library library;
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
  const std::wstring libKey = L"TypeLib\\" + GuidText(kLibid) + L"\\1.0";
  EXPECT_EQ(ReadString(libKey), L"PathwellX");
  EXPECT_EQ(ReadString(libKey + L"\\0\\win32"), FullOcxPath());
  EXPECT_EQ(ReadString(L"Interface\\" + GuidText(kIid)), L"_Pathwell");
  EXPECT_EQ(ReadString(L"Interface\\" + GuidText(kIid) + L"\\TypeLib"), GuidText(kLibid));
  EXPECT_EQ(ReadString(L"Interface\\" + GuidText(kSourceIid)), L"__Pathwell");

  ITypeLib* typeLib = nullptr;
  ASSERT_HRESULT_SUCCEEDED(::LoadRegTypeLib(kLibid, 1, 0, 0, &typeLib));
  typeLib->Release();
}

TEST(PathwellRegistration, UnregisterRemovesTheRecordEvenTwiceAndRegisteringRestoresIt) {
  Library library;
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
  EXPECT_HRESULT_SUCCEEDED(library.unregisterServer());
  EXPECT_HRESULT_SUCCEEDED(library.unregisterServer());
  EXPECT_FALSE(KeyExists(kClassKey));
  EXPECT_FALSE(KeyExists(L"PathwellX.Pathwell"));
  EXPECT_FALSE(KeyExists(L"TypeLib\\" + GuidText(kLibid)));
  EXPECT_FALSE(KeyExists(L"Interface\\" + GuidText(kIid)));
  CLSID clsid{};
  EXPECT_HRESULT_FAILED(::CLSIDFromProgID(L"PathwellX.Pathwell", &clsid));

  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
  ASSERT_HRESULT_SUCCEEDED(::CLSIDFromProgID(L"PathwellX.Pathwell", &clsid));
  EXPECT_TRUE(::IsEqualCLSID(clsid, kClsid));
  EXPECT_EQ(ReadString(kClassKey + L"\\MiscStatus\\1"), L"132497");
}

TEST(PathwellRegistration, ClassObjectOnlyForTheControlsClassAndLocksKeepTheFileLoaded) {
  Library library;
  IClassFactory* factory = nullptr;
  EXPECT_EQ(library.getClassObject(kLibid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
  EXPECT_EQ(library.getClassObject(kClsid, IID_IClassFactory, nullptr), E_POINTER);

  ASSERT_HRESULT_SUCCEEDED(library.getClassObject(kClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
  EXPECT_EQ(library.canUnloadNow(), S_FALSE);
  factory->LockServer(TRUE);
  IUnknown* outer = factory;
  IUnknown* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&object)), CLASS_E_NOAGGREGATION);
  factory->Release();
  EXPECT_EQ(library.canUnloadNow(), S_FALSE);  // the lock alone

  ASSERT_HRESULT_SUCCEEDED(library.getClassObject(kClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
  factory->LockServer(FALSE);
  ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)));
  factory->Release();
  EXPECT_EQ(library.canUnloadNow(), S_FALSE);  // the instance alone
  object->Release();
  EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST(PathwellRegistration, ExportsExactlyTheFourServerEntryPoints) {
  Library library;
  ASSERT_NE(library.module, nullptr);
  const auto* base = reinterpret_cast<const BYTE*>(library.module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::set<std::string> found;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) found.insert(reinterpret_cast<const char*>(base + names[i]));
  EXPECT_EQ(exports->NumberOfFunctions, 4u);
  EXPECT_EQ(found, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                          "DllUnregisterServer"}));
}

TEST(PathwellRegistration, CarriesTheInterfaceIdentifierRecordsAndTheToolboxImage) {
  Library library;
  for (const auto& [type, iid] : {std::pair{L"_IID_PATHWELL", kIid}, std::pair{L"_SRCIID_PATHWELL", kSourceIid}}) {
    HRSRC resource = ::FindResourceExW(library.module, type, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_NE(resource, nullptr) << type;
    ASSERT_EQ(::SizeofResource(library.module, resource), 20u);
    const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(library.module, resource)));
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(bytes), 16u);
    EXPECT_EQ(memcmp(bytes + 4, &iid, 16), 0) << type;
  }
  HRSRC bitmap = ::FindResourceW(library.module, MAKEINTRESOURCEW(30000), MAKEINTRESOURCEW(2));  // RT_BITMAP
  ASSERT_NE(bitmap, nullptr);
  const auto* info = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(library.module, bitmap)));
  EXPECT_EQ(info->biWidth, 16);
  EXPECT_EQ(info->biHeight, 15);
  EXPECT_EQ(info->biBitCount, 8);
  EXPECT_TRUE(info->biClrUsed == 256 || info->biClrUsed == 0);
}

TEST(PathwellRegistration, VersionRecordIsOnePointZeroAndAsksForSelfRegistration) {
  const std::wstring path = OcxPath();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> data(size);
  ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

  WORD* translation = nullptr;
  ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x409);
  EXPECT_EQ(translation[1], 1200);

  const std::pair<const wchar_t*, const wchar_t*> strings[] = {
      {L"CompanyName", L"Quorvel Software"}, {L"ProductName", L"Pathwell"},     {L"FileVersion", L"1.00"},
      {L"ProductVersion", L"1.00"},          {L"InternalName", L"Pathwell"},    {L"OriginalFilename", L"Pathwell.ocx"},
      {L"OLESelfRegister", L""},
  };
  for (const auto& [name, expected] : strings) {
    wchar_t* value = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    ASSERT_TRUE(::VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << name;
    EXPECT_EQ(std::wstring(value ? value : L""), expected) << name;
  }
}

}  // namespace
}  // namespace quorvel::testing
