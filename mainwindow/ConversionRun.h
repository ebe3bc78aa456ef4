#pragma once
// One conversion run of the main window: the engine writes the module of the source file
// into the output area, while the status label, the busy lamp and the window's own message
// processing show that the program is at work. One run at a time.
#include <windows.h>

#include <string>

namespace quorvel {

class TextView;

// What a run needs of the window it runs in.
class RunWindow {
 public:
  virtual ~RunWindow() = default;
  virtual void SetStatusCaption(std::wstring caption) = 0;
  virtual void SetLedColor(COLORREF color) = 0;
  // Repaints the whole window at once.
  virtual void RepaintNow() = 0;
  // Lets the window process its pending messages; false when it was asked to close
  // meanwhile, which stops the run.
  virtual bool DoEvents() = 0;
  // The owner of the run's message boxes.
  virtual HWND BoxOwner() const = 0;
};

class ConversionRun {
 public:
  enum class Outcome {
    Done,     // the module follows the text the output area held
    Failed,   // reported in an "Oops!" box; the output area holds what it held before
    Stopped,  // the window is closing; the run ended in one of its pauses
  };

  struct Options {
    std::wstring source;       // full path of the file to convert
    std::wstring destination;  // folder the generated code writes the file into
    std::wstring scope;        // "Public" or "Private"
  };

  // pumpIntervalMs: the longest time between two pauses; 0 pauses after every byte.
  ConversionRun(RunWindow& window, TextView& output, double pumpIntervalMs = 30)
      : window_(window), output_(output), pumpIntervalMs_(pumpIntervalMs) {}
  ConversionRun(const ConversionRun&) = delete;
  ConversionRun& operator=(const ConversionRun&) = delete;

  // Hides the output area, appends the module to it and shows it again; the lamp ends black.
  // A failure is reported and its partial text removed. Not to be called while Running().
  Outcome Run(const Options& options);
  bool Running() const { return running_; }

 private:
  class Progress;

  RunWindow& window_;
  TextView& output_;
  const double pumpIntervalMs_;
  bool running_ = false;
};

}  // namespace quorvel
