#include "ConversionRun.h"

#include <memory>
#include <new>
#include <string_view>

#include "Clock.h"
#include "ErrorText.h"
#include "ModuleGenerator.h"
#include "Path.h"
#include "Platform.h"
#include "SourceFile.h"
#include "Text.h"
#include "TextView.h"
#include "VbError.h"

namespace quorvel {
namespace {

// Thrown out of the generator when the window is asked to close in one of the run's pauses.
struct RunStopped {};

// Makes room at once for what a source of `sourceBytes` bytes will append, or throws
// std::bad_alloc when it cannot be had: such a run fails at its start, not half way.
void ReserveForModule(TextView& output, std::uint64_t sourceBytes) {
  // Two hex digits a byte, and per line its call, quotes and line end; a little more for
  // the header, the part procedures and the routines at the end.
  const std::uint64_t lines = ModuleLineCount(sourceBytes);
  const std::uint64_t characters = 2 * sourceBytes + 25 * lines + 64 * 1024;
  if (characters > TextBuffer::kMaxLength) throw std::bad_alloc();
  output.Reserve(static_cast<size_t>(characters), static_cast<size_t>(lines));
}

}  // namespace

// Receives the module text and the generator's progress, puts the text into the output area
// in batches and lets the window breathe at most every few milliseconds. The captions and
// the lamp are set when the window is about to process its messages, so what the user sees
// is always the byte the run has reached.
class ConversionRun::Progress final : public TextSink, public ProgressObserver {
 public:
  explicit Progress(ConversionRun& run) : run_(run), lastPump_(win::Milliseconds()) {}

  void Write(std::string_view text) override { pending_.append(text); }

  void Converted(std::uint32_t position, std::uint32_t total) override {
    if (!reserved_) {
      // A source too big for memory fails here, at once, rather than after minutes of work.
      Flush();
      ReserveForModule(run_.output_, total);
      reserved_ = true;
    }
    position_ = position;
    total_ = total;
    if (pending_.size() >= kBatchBytes) Flush();
    // The last byte is always shown, so the caption before "Finalizing..." names it.
    if (position == total || Due()) Pump(true);
  }

  void Finalizing() override {
    Flush();
    run_.window_.SetLedColor(RGB(255, 255, 0));
    run_.window_.SetStatusCaption(L"Finalizing...");
    run_.window_.RepaintNow();
    Pump(false);
  }

  void CallLineWritten(std::int32_t) override {
    if (pending_.size() >= kBatchBytes) Flush();
    if (Due()) Pump(false);
  }

  std::uint32_t Total() const { return total_; }

  void Flush() {
    if (pending_.empty()) return;
    run_.output_.Append(win::Widen(pending_));
    pending_.clear();
  }

 private:
  // The text goes to the output area at every pause, and between pauses whenever this much
  // has gathered.
  static constexpr size_t kBatchBytes = 256 * 1024;

  bool Due() const { return win::Milliseconds() - lastPump_ >= run_.pumpIntervalMs_; }

  void Pump(bool converting) {
    Flush();
    if (converting) {
      run_.window_.SetLedColor(RGB(255, 0, 0));
      run_.window_.SetStatusCaption(L"Converting byte " + Str(position_) + L" out of " + Str(total_));
    }
    if (!run_.window_.DoEvents()) throw RunStopped{};
    lastPump_ = win::Milliseconds();
  }

  ConversionRun& run_;
  std::string pending_;
  std::uint32_t position_ = 0;
  std::uint32_t total_ = 0;
  double lastPump_;
  bool reserved_ = false;
};

ConversionRun::Outcome ConversionRun::Run(const Options& options) {
  running_ = true;
  const size_t before = output_.Length();
  ::ShowWindow(output_.hwnd(), SW_HIDE);

  std::unique_ptr<VbError> failure;
  std::uint64_t lines = 0;
  try {
    SourceFile file(options.source);
    ModuleOptions module;
    module.fileName = win::Utf8(win::FileNameOf(options.source));  // taken once per run
    module.scope = win::Utf8(options.scope);
    module.destFolder = win::Utf8(options.destination);
    module.encodable = win::AnsiHolds;  // Save writes the ANSI code page
    ModuleGenerator generator(std::move(module));
    generator.SetProgressStep(pumpIntervalMs_ <= 0 ? 1 : 4096);
    Progress progress(*this);
    generator.Generate(file, progress, &progress);
    progress.Flush();
    lines = ModuleLineCount(progress.Total());
  } catch (const RunStopped&) {
    running_ = false;
    return Outcome::Stopped;
  } catch (const VbError& e) {
    failure = std::make_unique<VbError>(e);
  } catch (const std::bad_alloc&) {
    failure = std::make_unique<VbError>(kErrOutOfMemory);
  } catch (const std::exception& e) {
    failure = std::make_unique<VbError>(kErrInternal, e.what());
  }

  if (failure) {
    CurrentPlatform().MsgBox(window_.BoxOwner(), OopsText(*failure, options.source), L"Oops!", MB_ICONERROR);
    output_.TruncateTo(before);  // a failed run leaves no half module behind
  }
  window_.SetLedColor(RGB(0, 0, 0));
  // The window makes a module of any length; VB6 loads none longer than this.
  static_assert(kMaxVbModuleLines == 65534, "the caption names the limit");
  if (!failure && lines > kMaxVbModuleLines)
    window_.SetStatusCaption(L"The module is longer than the 65,534 lines VB6 loads: quorvel-gen --layout compact "
                             L"makes modules it can load.");
  ::ShowWindow(output_.hwnd(), SW_SHOW);
  running_ = false;
  return failure ? Outcome::Failed : Outcome::Done;
}

}  // namespace quorvel
