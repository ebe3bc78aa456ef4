#include "Messages.h"

namespace quorvel::cli {

std::string Subject(const std::string& file) { return file == "-" ? "standard input" : Shown(file); }

}  // namespace quorvel::cli
