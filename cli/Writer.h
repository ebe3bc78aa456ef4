// How module text reaches its output: encoded to Windows-1252 and written on a thread of its
// own, so that converting and writing overlap.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ModuleGenerator.h"
#include "Windows1252.h"

namespace quorvel::cli {

class Verifier;

inline constexpr std::size_t kIoChunk = 1 << 20;

// Ctrl+C on Windows, seen between two pieces of the module.
struct Stopped {};

// Writes to a descriptor on a thread of its own. Pieces gather in buffers of kIoChunk bytes;
// at most kQueued of them wait for the disk. The first write error (about the output's name)
// is thrown by the next Put, so that a full disk stops the run at once, or by Finish. One
// writer serves the outputs of a run one after the other, its thread and buffers kept.
class BackgroundWriter {
 public:
  BackgroundWriter();
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // The output the pieces that follow go to; the one before is finished.
  void Start(int fd, std::string outName);
  void Put(std::string_view bytes);
  // Writes what is left and waits until the disk has it.
  void Finish();

 private:
  static constexpr std::size_t kQueued = 4;

  void Hand();
  void Drain();

  int fd_ = -1;  // changed only while the thread waits for work
  std::string outName_;
  std::string current_;
  std::mutex mutex_;
  std::condition_variable ready_, roomy_, idle_;
  std::deque<std::string> full_;
  std::vector<std::string> spare_;
  bool busy_ = false;  // a buffer is being written
  bool done_ = false;
  std::atomic<int> error_{0};
  std::thread thread_;
};

// Whether every byte is below 0x80 (the same in UTF-8 and Windows-1252).
bool IsAscii(std::string_view text);

// Encodes the module to Windows-1252 and hands it to the writer; also to the verifier, when
// one is given, as it goes. Throws Stopped once a stop was asked for.
class OutputSink : public TextSink {
 public:
  // asciiOnly: every name that goes into the module is ASCII, so the whole module is.
  OutputSink(BackgroundWriter& writer, int fd, std::string outName, Verifier* verifier, bool asciiOnly);
  void Write(std::string_view text) override;
  void Finish();

 private:
  void Emit(std::string_view bytes);

  BackgroundWriter& writer_;
  Verifier* verifier_;
  Windows1252Encoder encoder_;
  std::string encoded_;
  bool asciiOnly_;
};

}  // namespace quorvel::cli
