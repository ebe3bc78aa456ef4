#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class ModuleFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a generated module back into the bytes that running it would write: the part
// procedures in the order Create_ calls them. Checks the layout on the way and throws
// ModuleFormatError (with the line number) where it is not a module of ours, as soon as the
// line is seen; a line longer than any the generator writes fails before it is complete.
class ModuleReader {
 public:
  using ByteSink = std::function<void(const std::uint8_t* bytes, std::size_t count)>;
  explicit ModuleReader(ByteSink sink);

  void Feed(std::string_view text);  // pieces of any size, in order
  void Finish();                     // the text is complete

  std::int32_t Parts() const { return expectedPart_ - 1; }
  // The file the module writes, as its Open lines name it (quotes undone), in the text's
  // encoding; empty until they are read.
  const std::string& Path() const { return path_; }

 private:
  enum class State { Header, InPart, BetweenParts, Create, Calls, Tail, Done };
  void Line(std::string_view line);
  void HeaderLine(std::string_view line);
  [[noreturn]] void Fail(const std::string& what) const;

  ByteSink sink_;
  std::string partial_;
  std::uint64_t lineNumber_ = 0;
  State state_ = State::Header;
  std::string scope_;
  std::string stem_;
  std::size_t headerLines_ = 0;
  std::int32_t expectedPart_ = 1;
  std::int32_t expectedCall_ = 1;
  std::size_t tailLines_ = 0;
  std::string path_;
};

std::vector<std::uint8_t> ReadModuleBytes(std::string_view text);

}  // namespace quorvel
