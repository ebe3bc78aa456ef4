#include "ConversionRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "ExpectedModule.h"
#include "FakePlatform.h"
#include "ModuleGenerator.h"
#include "Raii.h"
#include "ScratchFolder.h"
#include "Text.h"
#include "TextView.h"
#include "VbError.h"

namespace quorvel {
namespace {

using testing::FakePlatform;
using testing::ScratchFolder;
using testing::WriteFileBytes;
using Outcome = ConversionRun::Outcome;

using testing::Bytes;
using testing::Module;

// The window a run reports to: records what it is shown and answers its pauses.
class FakeWindow : public RunWindow {
 public:
  std::vector<std::wstring> captions;
  std::vector<COLORREF> leds;  // each change
  int pumps = 0;
  int repaints = 0;
  bool closeAsked = false;
  std::function<void()> onPump;

  void SetStatusCaption(std::wstring caption) override { captions.push_back(std::move(caption)); }
  void SetLedColor(COLORREF color) override {
    if (leds.empty() || leds.back() != color) leds.push_back(color);
  }
  void RepaintNow() override { ++repaints; }
  bool DoEvents() override {
    ++pumps;
    if (onPump) onPump();
    return !closeAsked;
  }
  HWND BoxOwner() const override { return nullptr; }
};

class ConversionRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    TextView::Register(instance);
    // A hidden parent keeps the output area off the screen when the run shows it.
    parent_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(::CreateWindowExW(0, TextView::kClassName, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 400, 300,
                                parent_, nullptr, instance, &output_),
              nullptr);
  }
  void TearDown() override { ::DestroyWindow(parent_); }

  std::wstring MakeSource(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = dir_ / name;
    WriteFileBytes(path, bytes);
    return path;
  }
  Outcome Run(const std::wstring& source, const std::wstring& scope = L"Public",
              const std::wstring& folder = L"C:\\Out") {
    return run_->Run({source, folder, scope});
  }
  bool Shown() const { return (::GetWindowLongW(output_.hwnd(), GWL_STYLE) & WS_VISIBLE) != 0; }
  std::wstring Output() const { return std::wstring(output_.Text()); }

  FakePlatform platform_;
  ScopedPlatform scope_{platform_};
  ScratchFolder dir_;
  HWND parent_ = nullptr;
  TextView output_;
  FakeWindow window_;
  std::unique_ptr<ConversionRun> run_ = std::make_unique<ConversionRun>(window_, output_);

  // A run that pauses at most `milliseconds` apart (0: after every byte).
  void Pace(double milliseconds) { run_ = std::make_unique<ConversionRun>(window_, output_, milliseconds); }
};

TEST_F(ConversionRunTest, AppendsTheEnginesModuleAfterTheTextAlreadyThere) {
  output_.SetText(L"kept\r\n");
  const std::string three("\x00\x0A\xFF", 3), multi = Bytes(7000);
  EXPECT_EQ(Run(MakeSource(L"a.b", three), L"Private", L"D:\\"), Outcome::Done);
  EXPECT_EQ(Run(MakeSource(L"my file.tar.gz", multi)), Outcome::Done);
  EXPECT_EQ(Run(MakeSource(L"empty.dat", "")), Outcome::Done);
  EXPECT_EQ(Output(), L"kept\r\n" + Module(L"a.b", three, L"Private", L"D:\\") +
                          Module(L"my file.tar.gz", multi, L"Public", L"C:\\Out") +
                          Module(L"empty.dat", "", L"Public", L"C:\\Out"));
  EXPECT_TRUE(Shown());
  EXPECT_EQ(window_.leds.back(), 0u);
  EXPECT_TRUE(platform_.boxes.empty());  // the window says "Done", not the run
  EXPECT_FALSE(run_->Running());
}

TEST_F(ConversionRunTest, PumpingEveryByteShowsEveryBytesCaptionAndTheLampColours) {
  Pace(0);
  bool hiddenWhileRunning = true;
  window_.onPump = [&] { hiddenWhileRunning = hiddenWhileRunning && !Shown() && run_->Running(); };
  Run(MakeSource(L"three.bin", "abc"));
  const std::vector<std::wstring> expected{L"Converting byte  1 out of  3", L"Converting byte  2 out of  3",
                                           L"Converting byte  3 out of  3", L"Finalizing..."};
  EXPECT_EQ(window_.captions, expected);
  EXPECT_EQ(window_.leds, (std::vector<COLORREF>{255, 65535, 0}));
  EXPECT_EQ(window_.repaints, 1);
  EXPECT_TRUE(hiddenWhileRunning);
  EXPECT_GT(window_.pumps, 3);
}

TEST_F(ConversionRunTest, WithTheDefaultPaceTheLastCaptionBeforeFinalizingNamesTheLastByte) {
  Run(MakeSource(L"big.bin", Bytes(300000)));
  ASSERT_GE(window_.captions.size(), 2u);
  EXPECT_EQ(window_.captions[window_.captions.size() - 2], L"Converting byte  300000 out of  300000");
  EXPECT_EQ(window_.captions.back(), L"Finalizing...");

  window_.captions.clear();
  Run(MakeSource(L"empty.bin", ""));
  EXPECT_EQ(window_.captions, std::vector<std::wstring>{L"Finalizing..."});  // no byte, no byte caption
}

// 32 bytes a line: the larger source is the first whose module VB6 would refuse.
TEST_F(ConversionRunTest, AModuleLongerThanVb6LoadsIsSaidInTheLastCaptionAndTheRunIsDone) {
  const std::wstring kTooLong =
      L"The module is longer than the 65,534 lines VB6 loads: quorvel-gen --layout compact makes modules it can load.";
  for (const auto& [bytes, lines, last] : {std::tuple{size_t{2016383}, size_t{65534}, std::wstring(L"Finalizing...")},
                                           std::tuple{size_t{2016384}, size_t{65535}, kTooLong}}) {
    output_.SetText(L"");
    window_.captions.clear();
    EXPECT_EQ(Run(MakeSource(L"big.bin", Bytes(bytes))), Outcome::Done) << bytes;
    const std::wstring text = Output();
    size_t lineEnds = 0;
    for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) ++lineEnds;
    EXPECT_EQ(lineEnds, lines) << bytes;
    ASSERT_FALSE(window_.captions.empty());
    EXPECT_EQ(window_.captions.back(), last) << bytes;
    EXPECT_TRUE(Shown());
    EXPECT_TRUE(platform_.boxes.empty());
  }
}

TEST_F(ConversionRunTest, FailuresAreReportedAndLeaveTheOutputAsItWas) {
  output_.SetText(L"before\r\n");
  const std::wstring locked = MakeSource(L"locked.bin", "abc");
  win::Handle lock(::CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  const struct {
    std::wstring path;
    const wchar_t* first;
    std::wstring shown = path;
  } cases[] = {
      {dir_ / L"no folder\\x.bin", L"Error # 76(Path not found) has"},
      {dir_ / L"missing.bin", L"Error # 53(File not found) has"},
      {dir_.Path(), L"Error # 75(Path/File access error) has"},
      {locked, L"Error # 70(Permission denied) has"},
      // Marks that would reorder or hide part of the line are written as their numbers.
      {dir_ / L"gpj.\u202Eexe\u200F\u0085.bin", L"Error # 53(File not found) has",
       dir_ / L"gpj.U+202EexeU+200FU+0085.bin"},
      {dir_ / L"report\u200B\uFEFF\u2060\u180E.exe.bin", L"Error # 53(File not found) has",
       dir_ / L"reportU+200BU+FEFFU+2060U+180E.exe.bin"},
  };
  for (const auto& c : cases) {
    platform_.boxes.clear();
    window_.leds.clear();
    EXPECT_EQ(Run(c.path), Outcome::Failed) << win::Utf8(c.path);
    ASSERT_EQ(platform_.boxes.size(), 1u) << win::Utf8(c.path);
    EXPECT_EQ(platform_.boxes[0].title, L"Oops!");
    EXPECT_EQ(platform_.boxes[0].flags, static_cast<UINT>(MB_ICONERROR));
    // The two lines of the error, then the source the run was reading.
    EXPECT_EQ(platform_.boxes[0].text, std::wstring(c.first) + L"\r\noccured in 'btnStart' routine.\r\n\r\n" +
                                           L"The source file is " + c.shown + L".");
    EXPECT_EQ(Output(), L"before\r\n");
    EXPECT_TRUE(Shown());
    EXPECT_EQ(window_.leds, std::vector<COLORREF>{0});
    EXPECT_FALSE(run_->Running());
  }
  lock.reset();
  EXPECT_FALSE(testing::FileExists(dir_ / L"missing.bin"));  // nothing created
}

TEST_F(ConversionRunTest, ASourceThatShrinksDuringTheRunFailsWith62AndIsClosedAfterwards) {
  output_.SetText(L"before\r\n");
  Pace(0.001);
  const std::wstring path = MakeSource(L"shrinks.bin", Bytes(600000));
  bool cut = false;
  window_.onPump = [&] {
    if (cut) return;
    cut = true;
    win::Handle h(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr));
    ::SetFilePointer(h.get(), 10, nullptr, FILE_BEGIN);
    ::SetEndOfFile(h.get());
    h.reset();
  };
  EXPECT_EQ(Run(path), Outcome::Failed);
  ASSERT_EQ(platform_.Count(L"Oops!"), 1);
  EXPECT_EQ(platform_.boxes.back().text.substr(0, 38), L"Error # 62(Input past end of file) has");
  EXPECT_EQ(Output(), L"before\r\n");
  win::Handle exclusive(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(exclusive);
  exclusive.reset();
}

TEST_F(ConversionRunTest, AFailureAfterAFewLinesRemovesThemFromALongerText) {
  Run(MakeSource(L"long.bin", Bytes(20000)));
  const std::wstring before = Output();
  Pace(0);
  window_.pumps = 0;
  window_.onPump = [&] {
    if (window_.pumps == 60) throw VbError(kErrSubscriptOutOfRange);
  };
  EXPECT_EQ(Run(MakeSource(L"short.bin", Bytes(100))), Outcome::Failed);
  EXPECT_EQ(platform_.boxes.back().text, L"Error # 9(Subscript out of range) has\r\noccured in 'btnStart' routine."
                                        L"\r\n\r\nThe source file is " + dir_ / L"short.bin" + L".");
  EXPECT_EQ(Output(), before);
}

TEST_F(ConversionRunTest, ASourceTooBigForMemoryFailsAtOnceWithOutOfMemory) {
  output_.SetText(L"kept\r\n");
  // The largest source the engine takes, 2^31 - 1 bytes, as a sparse file of zeros.
  const std::wstring huge = dir_ / L"huge.bin";
  win::Handle h(::CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(h);
  ASSERT_TRUE(::SetFilePointerEx(h.get(), LARGE_INTEGER{{0x7FFFFFFF, 0}}, nullptr, FILE_BEGIN));
  ASSERT_TRUE(::SetEndOfFile(h.get()));
  h.reset();
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(Run(huge), Outcome::Failed);
  EXPECT_LT(::GetTickCount() - start, 10000u);
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].text, L"Error # 7(Out of memory) has\r\noccured in 'btnStart' routine.\r\n\r\n"
                                     L"The source file is " + huge + L".");
  EXPECT_EQ(Output(), L"kept\r\n");
  EXPECT_TRUE(Shown());
}

TEST_F(ConversionRunTest, AWindowClosingStopsTheRunInItsNextPause) {
  Pace(0);
  window_.onPump = [&] { window_.closeAsked = window_.pumps == 2; };
  EXPECT_EQ(Run(MakeSource(L"long.bin", Bytes(20000))), Outcome::Stopped);
  EXPECT_EQ(window_.pumps, 2);
  EXPECT_FALSE(run_->Running());
  EXPECT_TRUE(platform_.boxes.empty());
}

}  // namespace
}  // namespace quorvel
