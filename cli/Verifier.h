// --verify: reads a module back and compares the bytes it writes with its source.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ModuleReader.h"

namespace quorvel::cli {

class Verifier {
 public:
  // The source's bytes by position; fewer than asked only at its end.
  using SourceReader = std::function<std::size_t(std::uint64_t offset, std::uint8_t* to, std::size_t n)>;

  explicit Verifier(SourceReader source);
  ~Verifier();
  Verifier(const Verifier&) = delete;
  Verifier& operator=(const Verifier&) = delete;

  // The module as it is written where it cannot be read back (standard output, a pipe, a
  // device). Throws ModuleFormatError at the first line that is not of a module.
  void Feed(std::string_view text);
  // The module is a file, read back from `fd` (named `name`) at Finish().
  void ReadBack(int fd, std::string name);

  // Ends the check of a module of `length` source bytes, all of it written; NamedError about
  // `outName` when it fails. Returns the module's part count.
  std::int32_t Finish(std::uint64_t length, const std::string& outName, const std::string& subject);

 private:
  class Comparer;

  std::unique_ptr<Comparer> comparer_;
  ModuleReader reader_;
  int fd_ = -1;
  std::string name_;
};

}  // namespace quorvel::cli
