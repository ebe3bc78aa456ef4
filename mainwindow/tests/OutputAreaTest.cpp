#include "OutputArea.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

class OutputAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TextView::Register(::GetModuleHandleW(nullptr));
    area_ = ::CreateWindowExW(0, OutputArea::kClassName, L"", WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, 0,
                              400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(area_, nullptr);
    OutputArea::Prepare(area_);
  }
  void TearDown() override { ::DestroyWindow(area_); }
  HWND area_ = nullptr;
};

TEST_F(OutputAreaTest, AppendedPiecesFollowEachOtherWithTheirLineEndsKept) {
  OutputArea::Append(area_, L"Attribute VB_Name = \"moda\"\r\n");
  OutputArea::Append(area_, L" \r\n\r\nCall WriteBytes(\"");
  OutputArea::Append(area_, L"000AFF\")\r\n");
  EXPECT_EQ(OutputArea::Text(area_), L"Attribute VB_Name = \"moda\"\r\n \r\n\r\nCall WriteBytes(\"000AFF\")\r\n");
}

TEST_F(OutputAreaTest, HoldsFarMoreThanTheDefaultLimitAndTruncatesBackToAMark) {
  const std::wstring line = L"Call WriteBytes(\"" + std::wstring(64, L'A') + L"\")\r\n";
  std::wstring batch;
  for (int i = 0; i < 200; ++i) batch += line;
  OutputArea::Append(area_, L"first\r\n");
  const long mark = OutputArea::Length(area_);
  for (int i = 0; i < 10; ++i) OutputArea::Append(area_, batch);
  EXPECT_EQ(OutputArea::Text(area_).size(), 7 + 2000 * line.size());
  OutputArea::TruncateTo(area_, mark);
  EXPECT_EQ(OutputArea::Text(area_), L"first\r\n");
  EXPECT_EQ(OutputArea::SelectAllText(area_), L"first\r\n");
}

}  // namespace
}  // namespace quorvel
