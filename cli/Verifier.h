// --verify: reads the modules back and compares the bytes they write with their source.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ModuleGenerator.h"

namespace quorvel::cli {

class Verifier {
 public:
  // The source's bytes by position; fewer than asked only at its end.
  using SourceReader = std::function<std::size_t(std::uint64_t offset, std::uint8_t* to, std::size_t n)>;

  Verifier(SourceReader source, ModuleLayout layout);
  ~Verifier();
  Verifier(const Verifier&) = delete;
  Verifier& operator=(const Verifier&) = delete;

  // The next module of the set begins (the first, first); its text is that of the output
  // `name`, which failures name.
  void StartModule(std::string name);
  // The current module as it is written, where it cannot be read back (standard output, a
  // pipe, a device).
  void Feed(std::string_view text);
  // The current module, complete in the file `fd`, read back from its start.
  void ReadBack(int fd);

  struct Result {
    std::int32_t parts = 0;    // of a classic module
    std::int32_t modules = 0;  // of a compact set
  };
  // Ends the check of the modules of `length` source bytes, all of them written.
  Result Finish(std::uint64_t length, const std::string& subject);

  // Every failure is a NamedError about the output of the module that fails ("verify failed:
  // line 7: ..."), thrown as soon as a line is not one of a generated module, or at Finish
  // when the bytes differ from the source.

 private:
  class Comparer;
  class Reader;

  [[noreturn]] void Failed(const std::exception& e) const;

  std::unique_ptr<Comparer> comparer_;
  std::unique_ptr<Reader> reader_;
  std::string firstName_, name_;
  std::int32_t started_ = 0;
};

}  // namespace quorvel::cli
