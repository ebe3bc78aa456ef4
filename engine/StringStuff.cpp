#include "StringStuff.h"

#include <cstdint>

namespace quorvel::StringStuff {
namespace {

constexpr std::size_t kMaxStem = 240;
constexpr std::size_t kMaxAttribName = 31;  // VBA refuses longer module names

bool IsAsciiLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsIdentifierChar(char32_t c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_'; }

// One character of UTF-8 text; a malformed byte counts as one character of its own.
std::size_t CharLength(std::string_view s, std::size_t i) {
  const auto lead = static_cast<std::uint8_t>(s[i]);
  std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (i + n > s.size()) return 1;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<std::uint8_t>(s[i + k]) & 0xC0) != 0x80) return 1;
  return n;
}

// Every character that may not stand in a VB identifier becomes "_".
std::string IdentifierChars(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = CharLength(text, i);
    out.push_back(n == 1 && IsIdentifierChar(static_cast<unsigned char>(text[i])) ? text[i] : '_');
    i += n;
  }
  return out;
}

}  // namespace

std::string FileNameFromPath(std::string_view path) {
  const auto slash = path.rfind('\\');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string DotsToUnderscores(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '.') c = '_';
  return out;
}

std::string MakeStem(std::string_view fileName) {
  std::string stem = IdentifierChars(DotsToUnderscores(fileName));
  if (stem.empty() || !IsAsciiLetter(static_cast<unsigned char>(stem.front()))) stem.insert(0, "File_");
  if (stem.size() > kMaxStem) stem.resize(kMaxStem);
  return stem;
}

std::string MakeAttribName(std::string_view fileName) {
  std::string name = "mod" + IdentifierChars(fileName.substr(0, fileName.find('.')));
  if (name.size() > kMaxAttribName) name.resize(kMaxAttribName);
  return name;
}

}  // namespace quorvel::StringStuff
