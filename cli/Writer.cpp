#include "Writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "Files.h"
#include "Verifier.h"

namespace quorvel::cli {

BackgroundWriter::BackgroundWriter() {
  current_.reserve(kIoChunk);
  StopSignalsHeld hold;  // the stop handler runs on the main thread, never while it changes its list
  thread_ = std::thread([this] { Drain(); });
}

BackgroundWriter::~BackgroundWriter() {
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  ready_.notify_one();
  thread_.join();
}

void BackgroundWriter::Start(int fd, std::string outName) {
  {
    std::lock_guard lock(mutex_);
    fd_ = fd;
  }
  outName_ = std::move(outName);
  error_ = 0;
}

void BackgroundWriter::Put(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t n = std::min(bytes.size(), kIoChunk - current_.size());
    current_.append(bytes.substr(0, n));
    bytes.remove_prefix(n);
    if (current_.size() == kIoChunk) Hand();
  }
}

void BackgroundWriter::Finish() {
  if (!current_.empty()) Hand();
  {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return full_.empty() && !busy_; });
  }
  if (const int err = error_.load()) ThrowSystemError(err, outName_, false);
}

void BackgroundWriter::Hand() {
  if (const int err = error_.load()) ThrowSystemError(err, outName_, false);
  std::unique_lock lock(mutex_);
  roomy_.wait(lock, [&] { return full_.size() < kQueued; });
  full_.push_back(std::move(current_));
  if (!spare_.empty()) {
    current_ = std::move(spare_.back());
    spare_.pop_back();
  }
  current_.clear();
  current_.reserve(kIoChunk);
  ready_.notify_one();
}

void BackgroundWriter::Drain() {
  for (;;) {
    std::string buffer;
    int fd;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [&] { return done_ || !full_.empty(); });
      if (full_.empty()) return;
      buffer = std::move(full_.front());
      full_.pop_front();
      busy_ = true;
      fd = fd_;
    }
    roomy_.notify_one();
    if (error_.load() == 0)
      if (const int err = WriteAll(fd, buffer.data(), buffer.size())) error_ = err;
    {
      std::lock_guard lock(mutex_);
      spare_.push_back(std::move(buffer));
      busy_ = false;
    }
    idle_.notify_one();
  }
}

bool IsAscii(std::string_view text) {
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    if (w & 0x8080808080808080ull) return false;
  }
  for (; i < text.size(); ++i)
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  return true;
}

OutputSink::OutputSink(BackgroundWriter& writer, int fd, std::string outName, Verifier* verifier, bool asciiOnly)
    : writer_(writer), verifier_(verifier), asciiOnly_(asciiOnly) {
  writer_.Start(fd, std::move(outName));
}

void OutputSink::Write(std::string_view text) {
  if (StopRequested()) throw Stopped{};
  // Only the pieces holding characters other than ASCII need converting.
  if (asciiOnly_ || (!encoder_.Pending() && IsAscii(text))) {
    Emit(text);
    return;
  }
  encoded_.clear();
  encoder_.Encode(text, encoded_);
  Emit(encoded_);
}

void OutputSink::Finish() {
  encoded_.clear();
  encoder_.Finish(encoded_);
  Emit(encoded_);
  writer_.Finish();
}

void OutputSink::Emit(std::string_view bytes) {
  if (bytes.empty()) return;
  writer_.Put(bytes);
  if (verifier_) verifier_->Feed(bytes);
}

}  // namespace quorvel::cli
