// Converts random files of 1 MB and 10 MB with the main window's conversion run into a
// shown output area, and prints the time the run takes, the peak working set and the
// longest time the window went without processing its messages.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "Clock.h"
#include "ConversionRun.h"
#include "ModuleGenerator.h"
#include "Platform.h"
#include "Raii.h"
#include "ScopedComInit.h"
#include "Text.h"
#include "TextView.h"

namespace {

// No box may wait for a click during a measurement: the last one's text is kept, answered OK.
class QuietPlatform : public quorvel::Platform {
 public:
  std::wstring lastBox;
  int MsgBox(HWND, std::wstring_view text, std::wstring_view, UINT) override {
    lastBox = text;
    return IDOK;
  }
  BOOL SndPlaySound(LPCSTR, UINT) override { return TRUE; }
  HINSTANCE ShellExecuteA(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) override { return nullptr; }
  BOOL GetOpenFileNameW(OPENFILENAMEW*) override { return FALSE; }
  BOOL GetSaveFileNameW(OPENFILENAMEW*) override { return FALSE; }
};

// The window a run reports to: it processes the messages and measures the gaps between.
class GapMeter : public quorvel::RunWindow {
 public:
  explicit GapMeter(HWND hwnd) : hwnd_(hwnd) {}
  double last = 0;
  double longest = 0;
  int pumps = 0;
  void SetStatusCaption(std::wstring caption) override { caption_ = std::move(caption); }
  void SetLedColor(COLORREF) override {}
  void RepaintNow() override { ::UpdateWindow(hwnd_); }
  bool DoEvents() override {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    const double now = quorvel::win::Milliseconds();
    if (now - last > longest) longest = now - last;
    last = now;
    ++pumps;
    return true;
  }
  HWND BoxOwner() const override { return hwnd_; }

 private:
  HWND hwnd_;
  std::wstring caption_;
};

std::wstring WriteRandomFile(const std::wstring& folder, size_t size) {
  const std::wstring path = folder + L"\\bench_" + std::to_wstring(size) + L".bin";
  std::vector<unsigned char> bytes(size);
  std::mt19937 random(12345);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  const quorvel::win::Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  const quorvel::win::ScopedComInit ole(quorvel::win::ScopedComInit::kOle);
  std::vector<size_t> sizes{1u << 20, 10u << 20};
  if (argc > 1) {
    sizes.clear();
    for (int i = 1; i < argc; ++i) sizes.push_back(static_cast<size_t>(std::atof(argv[i]) * (1u << 20)));
  }
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = temp;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();

  QuietPlatform platform;
  quorvel::ScopedPlatform scope(platform);
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  quorvel::TextView::Register(instance);
  // The output area inside a shown window, as on the main window: hiding and showing a
  // top-level window of its own would cost Wine seconds each time.
  const quorvel::win::WindowHandle hostWindow(::CreateWindowExW(
      0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 720, 480, nullptr, nullptr,
      instance, nullptr));
  const HWND host = hostWindow.get();
  quorvel::TextView output;
  constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_BORDER;
  if (!host || !::CreateWindowExW(0, quorvel::TextView::kClassName, L"", kStyle, 0, 0, 700, 450, host, nullptr,
                                  instance, &output))
    return 1;
  GapMeter gaps(host);
  quorvel::ConversionRun run(gaps, output);

  int status = 0;
  for (size_t size : sizes) {
    const std::wstring source = WriteRandomFile(folder, size);
    output.SetText(L"");  // each run starts with an empty output area
    gaps.longest = 0;
    gaps.pumps = 0;
    const double start = quorvel::win::Milliseconds();
    gaps.last = start;
    const auto outcome = run.Run({source, folder, L"Public"});
    const double done = quorvel::win::Milliseconds();
    if (outcome != quorvel::ConversionRun::Outcome::Done) {
      std::printf("%.1f MB: the run failed (%s)\n", size / 1048576.0,
                  platform.lastBox.empty() ? "no box" : quorvel::win::Utf8(platform.lastBox).c_str());
      status = 1;
      continue;
    }
    // The stretch from the last pump to the end counts as a gap too.
    if (done - gaps.last > gaps.longest) gaps.longest = done - gaps.last;

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    std::printf("%.1f MB: %.0f ms for the run, longest gap between pumps %.1f ms (%d pumps), "
                "peak working set %.1f MB\n",
                size / 1048576.0, done - start, gaps.longest, gaps.pumps, memory.PeakWorkingSetSize / 1048576.0);
    // Every line of the module must have arrived (the view counts the empty one after the last).
    const auto lines = static_cast<std::uint64_t>(
        ::SendMessageW(output.hwnd(), EM_GETLINECOUNT, 0, 0) - 1);
    if (lines != quorvel::ModuleLineCount(size)) {
      std::printf("  but the output area holds %llu lines instead of %llu\n", static_cast<unsigned long long>(lines),
                  static_cast<unsigned long long>(quorvel::ModuleLineCount(size)));
      status = 1;
    }
    std::fflush(stdout);
    ::DeleteFileW(source.c_str());
  }
  return status;
}
