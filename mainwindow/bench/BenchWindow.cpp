// Converts random files of 1 MB and 10 MB through the main window, as a user's Start click
// does, and prints the time to the "Done" box, the peak working set and the longest time
// the window went without processing its messages.
#include <windows.h>
#include <ole2.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "../tests/FakePlatform.h"
#include "Clock.h"
#include "ModuleGenerator.h"
#include "Text.h"
#include "frmMain.h"

namespace {

class GapMeter : public quorvel::frmMain::RunObserver {
 public:
  double last = 0;
  double longest = 0;
  int pumps = 0;
  void Pumped() override {
    const double now = quorvel::win::Milliseconds();
    if (now - last > longest) longest = now - last;
    last = now;
    ++pumps;
  }
};

std::wstring WriteRandomFile(const std::wstring& folder, size_t size) {
  const std::wstring path = folder + L"\\bench_" + std::to_wstring(size) + L".bin";
  std::vector<unsigned char> bytes(size);
  std::mt19937 random(12345);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(h);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  ::OleInitialize(nullptr);
  std::vector<size_t> sizes{1u << 20, 10u << 20};
  if (argc > 1) {
    sizes.clear();
    for (int i = 1; i < argc; ++i) sizes.push_back(static_cast<size_t>(std::atof(argv[i]) * (1u << 20)));
  }
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = temp;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();

  quorvel::testing::FakePlatform platform;
  quorvel::ScopedPlatform scope(platform);
  quorvel::frmMain form;
  if (!form.Create(::GetModuleHandleW(nullptr), SW_SHOW)) return 1;
  GapMeter gaps;
  form.SetRunObserver(&gaps);

  int status = 0;
  for (size_t size : sizes) {
    const std::wstring source = WriteRandomFile(folder, size);
    platform.dialogAnswers.push_back({false, source});
    form.Command1_Click();
    form.btnClear_Click();  // each run starts with an empty output area
    platform.dialogAnswers.push_back({false, source});
    form.Command1_Click();

    double done = 0;
    platform.onBox = [&](const quorvel::testing::Box& box) {
      if (box.text == L"Done") done = quorvel::win::Milliseconds();
    };
    gaps.longest = 0;
    gaps.pumps = 0;
    const double start = quorvel::win::Milliseconds();
    gaps.last = start;
    form.btnStart_Click();
    if (done == 0) {
      std::printf("%.1f MB: no \"Done\" box (%s)\n", size / 1048576.0,
                  platform.boxes.empty() ? "none" : quorvel::win::Utf8(platform.boxes.back().text).c_str());
      status = 1;
      continue;
    }
    // The stretch from the last pump to the box counts as a gap too.
    if (done - gaps.last > gaps.longest) gaps.longest = done - gaps.last;

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    std::printf("%.1f MB: %.0f ms to \"Done\", longest gap between pumps %.1f ms (%d pumps), peak working set %.1f MB\n",
                size / 1048576.0, done - start, gaps.longest, gaps.pumps, memory.PeakWorkingSetSize / 1048576.0);
    // Every line of the module must have arrived (the view counts the empty one after the last).
    const auto lines = static_cast<std::uint64_t>(
        ::SendMessageW(form.Control(quorvel::frmMain::Text1), EM_GETLINECOUNT, 0, 0) - 1);
    if (lines != quorvel::ModuleLineCount(size)) {
      std::printf("  but the output area holds %llu lines instead of %llu\n", static_cast<unsigned long long>(lines),
                  static_cast<unsigned long long>(quorvel::ModuleLineCount(size)));
      status = 1;
    }
    std::fflush(stdout);
    ::DeleteFileW(source.c_str());
  }
  ::DestroyWindow(form.hwnd());
  ::OleUninitialize();
  return status;
}
