#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ModuleReader.h"

namespace quorvel {

// Reads compact modules back into the bytes that running Create_ would write: one module, or
// the modules of a set one after the other, module 1 first. Checks every line against the
// layout on the way and throws ModuleFormatError (error 5; what() names the module when it is
// not the first, and the line) as soon as a line is not one the generator writes.
class CompactReader {
 public:
  using ByteSink = ModuleReader::ByteSink;
  explicit CompactReader(ByteSink sink);
  ~CompactReader();

  void Feed(std::string_view text);  // the current module's text, in pieces of any size
  void EndModule();                  // the current module is complete; the next one follows
  void Finish();                     // every module has been read

  // Known once module 1's dispatcher has been read (1 before).
  std::int32_t ModuleCount() const;
  std::int32_t ModulesRead() const;
  // The VB_Name module k must have (module 1's once its first line is read).
  std::string ModuleName(std::int32_t k) const;
  // The file Create_ writes, as its Open lines name it (quotes undone); empty until read.
  const std::string& Path() const;
  std::uint64_t Length() const;  // the length the module declares

 private:
  struct State;
  std::unique_ptr<State> s_;
};

// The bytes of a whole set, its modules' texts in order; ModuleFormatError when it is not one.
std::vector<std::uint8_t> ReadCompactModules(std::span<const std::string> texts);

}  // namespace quorvel
