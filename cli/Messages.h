// Text quorvel-gen shows on a terminal.
#pragma once
#include <string>
#include <string_view>

#include "Utf8.h"

namespace quorvel::cli {

// How messages name a source: "-" as standard input, anything else as Shown (Utf8.h).
std::string Subject(const std::string& file);

}  // namespace quorvel::cli
