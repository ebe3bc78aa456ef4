#include "Verifier.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "Files.h"
#include "Messages.h"

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

Verifier::Verifier(SourceReader source)
    : comparer_(std::make_unique<Comparer>(std::move(source))),
      reader_([this](const std::uint8_t* b, std::size_t n) { comparer_->Compare(b, n); }) {}

Verifier::~Verifier() = default;

void Verifier::Feed(std::string_view text) { reader_.Feed(text); }

void Verifier::ReadBack(int fd, std::string name) {
  fd_ = fd;
  name_ = std::move(name);
}

std::int32_t Verifier::Finish(std::uint64_t length, const std::string& outName, const std::string& subject) {
  try {
    if (fd_ >= 0) {
      std::vector<std::uint8_t> buffer(kBlock);
      std::uint64_t at = 0;
      while (const std::size_t n = ReadAt(fd_, at, buffer.data(), buffer.size(), name_)) {
        reader_.Feed(std::string_view(reinterpret_cast<const char*>(buffer.data()), n));
        at += n;
      }
    }
    reader_.Finish();
  } catch (const ModuleFormatError& e) {
    throw NamedError{outName, 0, std::string("verify failed: ") + e.what()};
  }
  if (!comparer_->SameToTheEnd(length))
    throw NamedError{outName, 0, "verify failed: the module does not re-create " + Subject(subject)};
  return reader_.Parts();
}

}  // namespace quorvel::cli
