// The library's registration record, exports, identifiers and version record.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
// After windows.h, which TestSupport.h brings.
#include <psapi.h>

namespace quorvel::testing {
namespace {

const std::wstring kClassKey = L"CLSID\\" + GuidText(kClsid);
// The library's version as registry keys spell it ("1.0").
const std::wstring kVersionKey = std::to_wstring(kLibraryMajor) + L"." + std::to_wstring(kLibraryMinor);

// The export table of a loaded image, PE32 or PE32+. Every offset is checked against the
// image's size: a malformed table gives nothing instead of a read past the image.
struct ExportTable {
  DWORD functions = 0;
  std::set<std::string> names;
};

std::optional<ExportTable> ReadExportTable(const BYTE* base, size_t imageSize) {
  const auto inside = [imageSize](size_t offset, size_t length) {
    return offset <= imageSize && length <= imageSize - offset;
  };
  if (!inside(0, sizeof(IMAGE_DOS_HEADER))) return std::nullopt;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0) return std::nullopt;
  const size_t nt = static_cast<size_t>(dos->e_lfanew);
  const size_t optional = nt + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
  if (!inside(nt, optional - nt + sizeof(WORD))) return std::nullopt;
  if (*reinterpret_cast<const DWORD*>(base + nt) != IMAGE_NT_SIGNATURE) return std::nullopt;

  const IMAGE_DATA_DIRECTORY* directories = nullptr;
  DWORD directoryCount = 0;
  switch (*reinterpret_cast<const WORD*>(base + optional)) {
    case IMAGE_NT_OPTIONAL_HDR32_MAGIC: {
      if (!inside(optional, sizeof(IMAGE_OPTIONAL_HEADER32))) return std::nullopt;
      const auto* header = reinterpret_cast<const IMAGE_OPTIONAL_HEADER32*>(base + optional);
      directories = header->DataDirectory;
      directoryCount = header->NumberOfRvaAndSizes;
      break;
    }
    case IMAGE_NT_OPTIONAL_HDR64_MAGIC: {
      if (!inside(optional, sizeof(IMAGE_OPTIONAL_HEADER64))) return std::nullopt;
      const auto* header = reinterpret_cast<const IMAGE_OPTIONAL_HEADER64*>(base + optional);
      directories = header->DataDirectory;
      directoryCount = header->NumberOfRvaAndSizes;
      break;
    }
    default:
      return std::nullopt;
  }
  if (directoryCount <= IMAGE_DIRECTORY_ENTRY_EXPORT) return std::nullopt;
  const IMAGE_DATA_DIRECTORY& directory = directories[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (!inside(directory.VirtualAddress, sizeof(IMAGE_EXPORT_DIRECTORY))) return std::nullopt;
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  if (!inside(exports->AddressOfNames, size_t{exports->NumberOfNames} * sizeof(DWORD))) return std::nullopt;
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);

  ExportTable table;
  table.functions = exports->NumberOfFunctions;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    if (!inside(names[i], 1)) return std::nullopt;
    const char* name = reinterpret_cast<const char*>(base + names[i]);
    const size_t length = strnlen(name, imageSize - names[i]);
    if (length == imageSize - names[i]) return std::nullopt;  // no terminator inside the image
    table.names.emplace(name, length);
  }
  return table;
}

// A small image of the given layout whose export directory names `names`.
std::vector<BYTE> SyntheticImage(WORD magic, const std::vector<std::string>& names) {
  std::vector<BYTE> image(0x1000);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(image.data());
  dos->e_magic = IMAGE_DOS_SIGNATURE;
  dos->e_lfanew = 0x80;
  *reinterpret_cast<DWORD*>(&image[0x80]) = IMAGE_NT_SIGNATURE;
  const size_t optional = 0x80 + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
  IMAGE_DATA_DIRECTORY* directories = nullptr;
  if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
    auto* header = reinterpret_cast<IMAGE_OPTIONAL_HEADER64*>(&image[optional]);
    header->Magic = magic;
    header->NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
    directories = header->DataDirectory;
  } else {
    auto* header = reinterpret_cast<IMAGE_OPTIONAL_HEADER32*>(&image[optional]);
    header->Magic = magic;
    header->NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
    directories = header->DataDirectory;
  }
  directories[IMAGE_DIRECTORY_ENTRY_EXPORT] = {0x400, sizeof(IMAGE_EXPORT_DIRECTORY)};
  auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(&image[0x400]);
  exports->NumberOfFunctions = static_cast<DWORD>(names.size());
  exports->NumberOfNames = static_cast<DWORD>(names.size());
  exports->AddressOfNames = 0x500;
  DWORD at = 0x600;
  for (size_t i = 0; i < names.size(); ++i) {
    reinterpret_cast<DWORD*>(&image[0x500])[i] = at;
    std::memcpy(&image[at], names[i].c_str(), names[i].size() + 1);
    at += static_cast<DWORD>(names[i].size() + 1);
  }
  return image;
}

IMAGE_EXPORT_DIRECTORY& ExportsOf(std::vector<BYTE>& image) {
  return *reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(&image[0x400]);
}

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
  EXPECT_EQ(ReadString(kClassKey + L"\\Version"), kVersionKey);
  EXPECT_EQ(ReadString(L"PathwellX.Pathwell\\CLSID"), GuidText(kClsid));
}

TEST(PathwellRegistration, RegisterRegistersTheTypeLibraryAndItsInterfaces) {
  Library library;
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
  const std::wstring libKey = L"TypeLib\\" + GuidText(kLibid) + L"\\" + kVersionKey;
  EXPECT_EQ(ReadString(libKey), L"PathwellX");
  EXPECT_EQ(ReadString(libKey + L"\\0\\" + kOwnSysKindKey), FullOcxPath());
  EXPECT_EQ(ReadString(L"Interface\\" + GuidText(kIid)), L"_Pathwell");
  EXPECT_EQ(ReadString(L"Interface\\" + GuidText(kIid) + L"\\TypeLib"), GuidText(kLibid));
  EXPECT_EQ(ReadString(L"Interface\\" + GuidText(kSourceIid)), L"__Pathwell");

  win::ComPtr<ITypeLib> typeLib;
  ASSERT_HRESULT_SUCCEEDED(::LoadRegTypeLib(kLibid, kLibraryMajor, kLibraryMinor, 0, typeLib.put()));
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

#ifdef _WIN64
// 64-bit Windows may hold a 32-bit copy of the library too: its class record in the 32-bit
// registry view, its type library entry under win32. A stand-in of that record shows what
// unregistering this copy leaves to the other, and that the last copy takes everything.
TEST(PathwellRegistration, UnregisterLeavesTheSharedRecordsToTheOtherArchitecturesCopy) {
  const std::wstring libKey = L"TypeLib\\" + GuidText(kLibid) + L"\\" + kVersionKey + L"\\0\\";
  const auto setValue = [](const std::wstring& key, const wchar_t* value, REGSAM view) {
    win::Key handle;
    const LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr,
                                             handle.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    return ::RegSetValueExW(handle.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>((::lstrlenW(value) + 1) * sizeof(wchar_t)));
  };
  const auto removeOtherCopy = [&] {
    win::Key classes;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, classes.put()) ==
        ERROR_SUCCESS) {
      ::RegDeleteTreeW(classes.get(), GuidText(kClsid).c_str());
      ::RegDeleteKeyExW(classes.get(), GuidText(kClsid).c_str(), KEY_WOW64_32KEY, 0);
    }
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (libKey + L"win32").c_str());
    ::RegDeleteKeyW(HKEY_CLASSES_ROOT, (libKey + L"win32").c_str());
  };
  struct Cleanup {
    std::function<void()> run;
    ~Cleanup() { run(); }
  } cleanup{removeOtherCopy};

  Library library;
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
  ASSERT_EQ(setValue(kClassKey + L"\\InprocServer32", L"C:\\x86\\Pathwell.ocx", KEY_WOW64_32KEY), ERROR_SUCCESS);
  ASSERT_EQ(setValue(libKey + L"win32", L"C:\\x86\\Pathwell.ocx", 0), ERROR_SUCCESS);

  ASSERT_HRESULT_SUCCEEDED(library.unregisterServer());
  EXPECT_FALSE(KeyExists(kClassKey, KEY_WOW64_64KEY));
  EXPECT_FALSE(KeyExists(libKey + L"win64"));
  EXPECT_EQ(ReadString(libKey + L"win32"), L"C:\\x86\\Pathwell.ocx");
  EXPECT_TRUE(KeyExists(kClassKey, KEY_WOW64_32KEY));
  EXPECT_EQ(ReadString(L"PathwellX.Pathwell\\CLSID"), GuidText(kClsid));
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    EXPECT_TRUE(KeyExists(L"Interface\\" + GuidText(kIid) + L"\\TypeLib", view)) << view;
  }
  EXPECT_HRESULT_SUCCEEDED(library.unregisterServer());  // again: nothing of this copy is left

  removeOtherCopy();
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
  ASSERT_HRESULT_SUCCEEDED(library.unregisterServer());
  EXPECT_FALSE(KeyExists(L"PathwellX.Pathwell"));
  EXPECT_FALSE(KeyExists(L"TypeLib\\" + GuidText(kLibid)));
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    EXPECT_FALSE(KeyExists(L"Interface\\" + GuidText(kIid), view)) << view;
  }
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());  // as the other tests expect it
}
#endif

// regsvr32 (silent) with `arguments`, in a process of its own as a user runs it; its exit code.
DWORD Regsvr32(const std::wstring& arguments) {
  std::wstring command = L"regsvr32.exe /s " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION created{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created)) {
    ADD_FAILURE() << "regsvr32 does not start: " << ::GetLastError();
    return ~0u;
  }
  const win::Handle process(created.hProcess);
  const win::Handle thread(created.hThread);
  if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.get(), 1);
    ADD_FAILURE() << "regsvr32 did not end within a minute";
    return ~0u;
  }
  DWORD code = ~0u;
  ::GetExitCodeProcess(process.get(), &code);
  return code;
}

// Two copies of the library in two folders of their own, registered and unregistered by
// regsvr32: unregistering one copy leaves a registration that names the other untouched,
// whatever order the two were registered in.
TEST(PathwellRegistration, UnregisteringOneCopyLeavesAnotherCopysRegistration) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
  wchar_t longTemp[MAX_PATH] = {};
  ASSERT_GT(::GetLongPathNameW(temp, longTemp, MAX_PATH), 0u);
  const std::wstring folders[2] = {std::wstring(longTemp) + L"Pathwell copy A", std::wstring(longTemp) + L"Pathwell copy B"};
  const std::wstring a = folders[0] + L"\\Pathwell.ocx";
  const std::wstring b = folders[1] + L"\\Pathwell.ocx";
  struct Cleanup {
    std::function<void()> run;
    ~Cleanup() { run(); }
  } cleanup{[&] {
    for (const std::wstring& folder : folders) {
      ::DeleteFileW((folder + L"\\Pathwell.ocx").c_str());
      ::RemoveDirectoryW(folder.c_str());
    }
    Library library;  // the tests' own copy, as the other tests expect it
    library.registerServer();
  }};
  for (const std::wstring& folder : folders) {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(OcxPath().c_str(), (folder + L"\\Pathwell.ocx").c_str(), FALSE)) << ::GetLastError();
  }
  const std::wstring libEntry = L"TypeLib\\" + GuidText(kLibid) + L"\\" + kVersionKey + L"\\0\\" + kOwnSysKindKey;
  const auto expectRegisteredTo = [&](const std::wstring& path, const char* when) {
    EXPECT_EQ(ReadString(kClassKey + L"\\InprocServer32"), path) << when;
    EXPECT_EQ(ReadString(kClassKey + L"\\ToolboxBitmap32"), path + L", 30000") << when;
    EXPECT_EQ(ReadString(kClassKey + L"\\ProgID"), L"PathwellX.Pathwell") << when;
    EXPECT_EQ(ReadString(L"PathwellX.Pathwell\\CLSID"), GuidText(kClsid)) << when;
    EXPECT_EQ(ReadString(libEntry), path) << when;
    EXPECT_EQ(ReadString(L"Interface\\" + GuidText(kIid) + L"\\TypeLib"), GuidText(kLibid)) << when;
    EXPECT_EQ(ReadString(L"Interface\\" + GuidText(kSourceIid)), L"__Pathwell") << when;
  };

  ASSERT_EQ(Regsvr32(L"\"" + a + L"\""), 0u);
  expectRegisteredTo(a, "A registered");
  EXPECT_EQ(Regsvr32(L"/u \"" + b + L"\""), 0u);
  expectRegisteredTo(a, "A registered, B unregistered");

  ASSERT_EQ(Regsvr32(L"\"" + b + L"\""), 0u);
  expectRegisteredTo(b, "B registered over A");
  EXPECT_EQ(Regsvr32(L"/u \"" + a + L"\""), 0u);
  expectRegisteredTo(b, "B registered over A, A unregistered");

  // The copy that is registered goes, spelt in other letters: everything goes with it.
  std::wstring otherSpelling = b;
  ::CharUpperBuffW(otherSpelling.data(), static_cast<DWORD>(otherSpelling.size()));
  EXPECT_EQ(Regsvr32(L"/u \"" + otherSpelling + L"\""), 0u);
  EXPECT_FALSE(KeyExists(kClassKey));
  EXPECT_FALSE(KeyExists(L"PathwellX.Pathwell"));
  EXPECT_FALSE(KeyExists(L"TypeLib\\" + GuidText(kLibid)));
  EXPECT_FALSE(KeyExists(L"Interface\\" + GuidText(kIid)));
}

// A copy reached through another path to the same file is still this copy.
TEST(PathwellRegistration, UnregisteringThroughTheShortNameRemovesTheRegistration) {
  Library library;
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
  wchar_t shortName[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameW(FullOcxPath().c_str(), shortName, MAX_PATH);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
  if (::lstrcmpiW(shortName, FullOcxPath().c_str()) == 0) GTEST_SKIP() << "no short name differs here";
  EXPECT_EQ(Regsvr32(L"/u \"" + std::wstring(shortName) + L"\""), 0u);
  EXPECT_FALSE(KeyExists(kClassKey));
  EXPECT_FALSE(KeyExists(L"PathwellX.Pathwell"));
  ASSERT_HRESULT_SUCCEEDED(library.registerServer());
}

TEST(PathwellRegistration, ClassObjectOnlyForTheControlsClassAndLocksKeepTheFileLoaded) {
  Library library;
  win::ComPtr<IClassFactory> factory;
  EXPECT_EQ(library.getClassObject(kLibid, IID_IClassFactory, factory.put_void()), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_FALSE(factory);
  EXPECT_EQ(library.getClassObject(kClsid, IID_IClassFactory, nullptr), E_POINTER);

  ASSERT_HRESULT_SUCCEEDED(library.getClassObject(kClsid, IID_IClassFactory, factory.put_void()));
  EXPECT_EQ(library.canUnloadNow(), S_FALSE);
  factory->LockServer(TRUE);
  IUnknown* outer = factory.get();
  win::ComPtr<IUnknown> object;
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, object.put_void()), CLASS_E_NOAGGREGATION);
  factory.reset();
  EXPECT_EQ(library.canUnloadNow(), S_FALSE);  // the lock alone

  ASSERT_HRESULT_SUCCEEDED(library.getClassObject(kClsid, IID_IClassFactory, factory.put_void()));
  factory->LockServer(FALSE);
  ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_IUnknown, object.put_void()));
  factory.reset();
  EXPECT_EQ(library.canUnloadNow(), S_FALSE);  // the instance alone
  object.reset();
  EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST(PathwellRegistration, ExportsExactlyTheFourServerEntryPoints) {
  Library library;
  ASSERT_NE(library.module, nullptr);
  MODULEINFO info{};
  ASSERT_TRUE(::GetModuleInformation(::GetCurrentProcess(), library.module, &info, sizeof(info)));
  const auto table = ReadExportTable(reinterpret_cast<const BYTE*>(library.module), info.SizeOfImage);
  ASSERT_TRUE(table.has_value());
  EXPECT_EQ(table->functions, 4u);
  EXPECT_EQ(table->names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                                 "DllUnregisterServer"}));
}

TEST(PathwellRegistration, ExportReaderReadsBothLayoutsAndGivesUpOnMalformedTables) {
  const std::vector<std::string> names{"DllCanUnloadNow", "DllGetClassObject"};
  for (WORD magic : {WORD{IMAGE_NT_OPTIONAL_HDR32_MAGIC}, WORD{IMAGE_NT_OPTIONAL_HDR64_MAGIC}}) {
    std::vector<BYTE> image = SyntheticImage(magic, names);
    const auto table = ReadExportTable(image.data(), image.size());
    ASSERT_TRUE(table.has_value()) << magic;
    EXPECT_EQ(table->names, std::set<std::string>(names.begin(), names.end())) << magic;

    std::vector<BYTE> countPastTheImage = image;
    ExportsOf(countPastTheImage).NumberOfNames = 0x7FFFFFFF;
    EXPECT_FALSE(ReadExportTable(countPastTheImage.data(), countPastTheImage.size())) << magic;

    std::vector<BYTE> namePastTheImage = image;
    reinterpret_cast<DWORD*>(&namePastTheImage[ExportsOf(namePastTheImage).AddressOfNames])[1] = 0x7FFFFFF0;
    EXPECT_FALSE(ReadExportTable(namePastTheImage.data(), namePastTheImage.size())) << magic;

    std::vector<BYTE> unterminated = image;
    std::fill(unterminated.begin() + 0x600, unterminated.end(), BYTE{'A'});
    EXPECT_FALSE(ReadExportTable(unterminated.data(), unterminated.size())) << magic;

    std::vector<BYTE> directoryPastTheImage = image;
    ExportsOf(directoryPastTheImage).AddressOfNames = 0xFFFFFFF0;
    EXPECT_FALSE(ReadExportTable(directoryPastTheImage.data(), directoryPastTheImage.size())) << magic;

    EXPECT_FALSE(ReadExportTable(image.data(), 0x100)) << magic;  // headers cut short
  }
  std::vector<BYTE> unknownLayout = SyntheticImage(0x0107, names);  // a ROM image's optional header
  EXPECT_FALSE(ReadExportTable(unknownLayout.data(), unknownLayout.size()));
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

// The version record and the type library inside the file name one version, the one the
// library registers itself under; the record spells it with the minor number in two digits.
TEST(PathwellRegistration, VersionRecordNamesTheTypeLibrarysVersionAndAsksForSelfRegistration) {
  const std::wstring path = OcxPath();
  win::ComPtr<ITypeLib> typeLib;
  ASSERT_HRESULT_SUCCEEDED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, typeLib.put()));
  TLIBATTR* libAttr = nullptr;
  ASSERT_HRESULT_SUCCEEDED(typeLib->GetLibAttr(&libAttr));
  const WORD major = libAttr->wMajorVerNum;
  const WORD minor = libAttr->wMinorVerNum;
  typeLib->ReleaseTLibAttr(libAttr);
  EXPECT_EQ(major, kLibraryMajor);
  EXPECT_EQ(minor, kLibraryMinor);

  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> data(size);
  ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(minor, major)));
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(MAKELONG(minor, major)));
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

  WORD* translation = nullptr;
  ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x409);
  EXPECT_EQ(translation[1], 1200);

  const std::wstring version = std::to_wstring(major) + (minor < 10 ? L".0" : L".") + std::to_wstring(minor);
  const std::pair<const wchar_t*, const wchar_t*> strings[] = {
      {L"CompanyName", L"Quorvel Software"}, {L"ProductName", L"Pathwell"},  {L"FileVersion", version.c_str()},
      {L"ProductVersion", version.c_str()},  {L"InternalName", L"Pathwell"}, {L"OriginalFilename", L"Pathwell.ocx"},
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
