#include "Verifier.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "CompactReader.h"
#include "Files.h"
#include "Messages.h"
#include "ModuleReader.h"

namespace quorvel::cli {

namespace {

constexpr std::size_t kBlock = 1 << 20;

}  // namespace

// Compares the bytes a module writes with its source, which it reads in blocks.
class Verifier::Comparer {
 public:
  explicit Comparer(SourceReader source) : source_(std::move(source)), block_(kBlock) {}
  void Compare(const std::uint8_t* bytes, std::size_t n) {
    while (same_ && n) {
      if (at_ == blockEnd_ && !Refill()) {
        same_ = false;
        return;
      }
      const auto k = static_cast<std::size_t>(std::min<std::uint64_t>(n, blockEnd_ - at_));
      same_ = std::memcmp(bytes, block_.data() + (at_ - blockStart_), k) == 0;
      at_ += k;
      bytes += k;
      n -= k;
    }
  }
  bool SameToTheEnd(std::uint64_t length) const { return same_ && at_ == length; }

 private:
  bool Refill() {
    std::size_t got = 0;
    while (got < block_.size())
      if (const std::size_t n = source_(at_ + got, block_.data() + got, block_.size() - got)) got += n;
      else break;
    blockStart_ = at_;
    blockEnd_ = at_ + got;
    return got > 0;
  }

  SourceReader source_;
  std::vector<std::uint8_t> block_;
  std::uint64_t blockStart_ = 0, blockEnd_ = 0, at_ = 0;
  bool same_ = true;
};

// The reader of the layout: one classic module, or the modules of a compact set in turn.
class Verifier::Reader {
 public:
  Reader(ModuleLayout layout, Comparer& comparer) {
    auto sink = [&comparer](const std::uint8_t* b, std::size_t n) { comparer.Compare(b, n); };
    if (layout == ModuleLayout::kCompact) compact_ = std::make_unique<CompactReader>(sink);
    else classic_ = std::make_unique<ModuleReader>(sink);
  }
  void Feed(std::string_view text) { classic_ ? classic_->Feed(text) : compact_->Feed(text); }
  void EndModule() {
    if (compact_) compact_->EndModule();
  }
  Result Finish() {
    if (classic_) {
      classic_->Finish();
      return {classic_->Parts(), 1};
    }
    compact_->Finish();
    return {0, compact_->ModuleCount()};
  }

 private:
  std::unique_ptr<ModuleReader> classic_;
  std::unique_ptr<CompactReader> compact_;
};

Verifier::Verifier(SourceReader source, ModuleLayout layout)
    : comparer_(std::make_unique<Comparer>(std::move(source))), reader_(std::make_unique<Reader>(layout, *comparer_)) {}

Verifier::~Verifier() = default;

void Verifier::Failed(const std::exception& e) const {
  throw NamedError{name_, 0, std::string("verify failed: ") + e.what()};
}

void Verifier::StartModule(std::string name) {
  name_ = std::move(name);
  if (started_++ == 0) {
    firstName_ = name_;
    return;
  }
  try {
    reader_->EndModule();
  } catch (const ModuleFormatError& e) {
    Failed(e);
  }
}

void Verifier::Feed(std::string_view text) {
  try {
    reader_->Feed(text);
  } catch (const ModuleFormatError& e) {
    Failed(e);
  }
}

void Verifier::ReadBack(int fd) {
  std::vector<std::uint8_t> buffer(kBlock);
  std::uint64_t at = 0;
  while (const std::size_t n = ReadAt(fd, at, buffer.data(), buffer.size(), name_)) {
    Feed(std::string_view(reinterpret_cast<const char*>(buffer.data()), n));
    at += n;
  }
}

Verifier::Result Verifier::Finish(std::uint64_t length, const std::string& subject) {
  Result result;
  try {
    result = reader_->Finish();
  } catch (const ModuleFormatError& e) {
    Failed(e);
  }
  if (!comparer_->SameToTheEnd(length))
    throw NamedError{firstName_, 0,
                     std::string("verify failed: the ") + (started_ > 1 ? "modules do" : "module does") +
                         " not re-create " + Subject(subject)};
  return result;
}

}  // namespace quorvel::cli
