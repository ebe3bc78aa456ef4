// The command line of quorvel-gen.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ModuleGenerator.h"

namespace quorvel::cli {

struct UsageError {
  std::string message;
};

struct Options {
  bool help = false;
  bool version = false;
  bool isPrivate = false;
  bool verify = false;
  bool quiet = false;
  bool strict = false;
  bool force = false;  // replace a read-only OUT
  ModuleLayout layout = ModuleLayout::kClassic;
  std::uint64_t maxLines = kMaxVbModuleLines;  // lines one module may hold, 1 to 65,534
  bool libreOffice = false;  // compact sets whose modules LibreOffice Basic compiles
  std::string dest = ".";
  std::optional<std::string> name;
  std::optional<std::string> out;  // "-": standard output
  std::vector<std::string> files;  // "-": standard input
};

// args[0] is the program. Throws UsageError. --help and --version end the reading: what
// follows them is not looked at. They are never the value of another option ("-o --help" is a
// usage error).
Options ParseArguments(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace quorvel::cli
