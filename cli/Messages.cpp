#include "Messages.h"

#include <cstdio>

#include "Utf8.h"

namespace quorvel::cli {

std::string Shown(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  char escape[16];
  for (std::size_t i = 0; i < text.size();) {
    const auto u = static_cast<unsigned char>(text[i]);
    if (u < 0x80) {
      if (u == '\n') s += "\\n";
      else if (u == '\r') s += "\\r";
      else if (u == '\t') s += "\\t";
      else if (u < 0x20 || u == 0x7f) {
        std::snprintf(escape, sizeof escape, "\\x%02X", u);
        s += escape;
      } else s += text[i];
      ++i;
      continue;
    }
    const Utf8Char c = DecodeUtf8(text.substr(i));
    if (c.codePoint == Utf8Char::kInvalid || c.length == 0) {
      std::snprintf(escape, sizeof escape, "\\x%02X", u);
      s += escape;
      ++i;
    } else if (HidesOrReordersText(c.codePoint)) {
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c.codePoint));
      s += escape;
      i += c.length;
    } else {
      s.append(text.substr(i, c.length));
      i += c.length;
    }
  }
  return s;
}

std::string Subject(const std::string& file) { return file == "-" ? "standard input" : Shown(file); }

}  // namespace quorvel::cli
