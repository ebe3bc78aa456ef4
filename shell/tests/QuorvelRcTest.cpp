// The resources Quorvel.exe carries, read back from this test program, which links the same
// resource object.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "App.h"
#include "Raii.h"
#include "Res.h"
#include "Resource.h"

namespace quorvel {
namespace {

std::vector<BYTE> VersionBlock() {
  wchar_t module[MAX_PATH];
  ::GetModuleFileNameW(nullptr, module, MAX_PATH);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(module, &ignored);
  std::vector<BYTE> block(size);
  if (!size || !::GetFileVersionInfoW(module, 0, size, block.data())) block.clear();
  return block;
}

std::wstring VersionString(std::vector<BYTE>& block, const std::wstring& key) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = L"\\StringFileInfo\\040904B0\\" + key;
  if (!::VerQueryValueW(block.data(), path.c_str(), &value, &length) || !value) return L"<missing>";
  return static_cast<const wchar_t*>(value);
}

TEST(QuorvelRc, VersionRecordFollowsTheProjectVersion) {
  auto block = VersionBlock();
  ASSERT_FALSE(block.empty());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  const DWORD ms = MAKELONG(App::Minor, App::Major);
  const DWORD ls = MAKELONG(App::Revision, 0);
  EXPECT_EQ(fixed->dwFileVersionMS, ms);
  EXPECT_EQ(fixed->dwFileVersionLS, ls);
  EXPECT_EQ(fixed->dwProductVersionMS, ms);
  EXPECT_EQ(fixed->dwProductVersionLS, ls);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  WORD* translation = nullptr;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x409);
  EXPECT_EQ(translation[1], 1200);

  EXPECT_EQ(VersionString(block, L"FileVersion"), L"2.00.0009");
  EXPECT_EQ(VersionString(block, L"ProductVersion"), L"2.00.0009");
  EXPECT_EQ(VersionString(block, L"ProductName"), L"Quorvel");
  EXPECT_EQ(VersionString(block, L"InternalName"), L"Quorvel");
  EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"Quorvel.exe");
  EXPECT_EQ(VersionString(block, L"FileDescription"), L"Application");
  EXPECT_EQ(VersionString(block, L"CompanyName"), L"Quorvel Software");
  EXPECT_NE(VersionString(block, L"LegalCopyright"), L"<missing>");
}

TEST(QuorvelRc, IconGroupOneHoldsImage30001In256Colours) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC group = ::FindResourceW(self, MAKEINTRESOURCEW(IDI_QUORVEL), RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  auto* dir = static_cast<BYTE*>(::LockResource(::LoadResource(self, group)));
  EXPECT_EQ(::LookupIconIdFromDirectoryEx(dir, TRUE, 32, 32, 0), IDI_QUORVEL_IMAGE);
  EXPECT_EQ(*reinterpret_cast<WORD*>(dir + 4), 1);  // one image

  HRSRC icon = ::FindResourceW(self, MAKEINTRESOURCEW(IDI_QUORVEL_IMAGE), RT_ICON);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(::SizeofResource(self, icon), 2216u);
  BITMAPINFOHEADER header;
  std::memcpy(&header, ::LockResource(::LoadResource(self, icon)), sizeof(header));
  EXPECT_EQ(header.biWidth, 32);
  EXPECT_EQ(header.biHeight, 64);
  EXPECT_EQ(header.biBitCount, 8);
  EXPECT_NE(::LoadIconW(self, MAKEINTRESOURCEW(IDI_QUORVEL)), nullptr);
}

TEST(QuorvelRc, HandCursorHasItsHotSpotAtTheFingerTip) {
  HCURSOR cursor = ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_LINK));
  ASSERT_NE(cursor, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(cursor, &info));
  const win::Bitmap mask(info.hbmMask), color(info.hbmColor);  // GetIconInfo made them for the caller
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 12u);
  EXPECT_EQ(info.yHotspot, 1u);

}

TEST(QuorvelRc, AboutPictureIsABaselineJfifOf640By480WithThreeComponents) {
  const auto jpeg = Res::LoadResourceBytes(IDR_ABOUT_PICTURE, L"PICTURES");
  ASSERT_GT(jpeg.size(), 1000u);
  EXPECT_LT(jpeg.size(), 64u * 1024);
  ASSERT_EQ(jpeg[0], 0xFF);
  ASSERT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(std::memcmp(jpeg.data() + 6, "JFIF", 5), 0);
  // Walk the markers up to the frame header.
  size_t at = 2;
  bool baseline = false;
  while (at + 9 < jpeg.size() && jpeg[at] == 0xFF) {
    const BYTE marker = jpeg[at + 1];
    const size_t length = (jpeg[at + 2] << 8) | jpeg[at + 3];
    if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
      FAIL() << "not a baseline JPEG: marker " << int(marker);
    if (marker == 0xC0) {
      baseline = true;
      EXPECT_EQ((jpeg[at + 5] << 8) | jpeg[at + 6], 480);
      EXPECT_EQ((jpeg[at + 7] << 8) | jpeg[at + 8], 640);
      EXPECT_EQ(jpeg[at + 9], 3);
      break;
    }
    at += 2 + length;
  }
  EXPECT_TRUE(baseline);
}

TEST(QuorvelRc, KeyClickIsUsEnglish) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  EXPECT_NE(::FindResourceExW(self, L"SOUNDS", MAKEINTRESOURCEW(IDR_KEYCLICK), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
            nullptr);
  EXPECT_NE(::FindResourceW(self, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
}

}  // namespace
}  // namespace quorvel
