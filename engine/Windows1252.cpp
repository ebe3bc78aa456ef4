#include "Windows1252.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "Utf8.h"

namespace quorvel {
namespace {

// Code points of bytes 0x80..0x9F; 0 where the code page has no character.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte for a code point; -1 where the code page has none.
int ByteFor(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] != 0 && kHigh[i] == cp) return static_cast<int>(0x80 + i);
  return -1;
}

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

bool Windows1252Holds(char32_t codePoint) { return ByteFor(codePoint) >= 0; }

void Windows1252Encoder::Encode(std::string_view utf8, std::string& out) {
  std::string joined;
  if (!carry_.empty()) {
    joined = carry_ + std::string(utf8);
    carry_.clear();
    utf8 = joined;
  }
  std::size_t i = 0;
  while (i < utf8.size()) {
    // ASCII runs pass through unchanged: almost all of a module is ASCII.
    const auto ascii_end = std::find_if(utf8.begin() + i, utf8.end(),
                                        [](char c) { return static_cast<std::uint8_t>(c) >= 0x80; });
    const std::size_t run = static_cast<std::size_t>(ascii_end - utf8.begin()) - i;
    out.append(utf8.data() + i, run);
    i += run;
    if (i == utf8.size()) break;
    const Utf8Char c = DecodeUtf8(utf8.substr(i));
    if (c.length == 0) {
      carry_.assign(utf8.substr(i));
      return;
    }
    const int byte = c.codePoint == Utf8Char::kInvalid ? -1 : ByteFor(c.codePoint);
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    i += c.length;
  }
}

void Windows1252Encoder::Finish(std::string& out) {
  out.append(carry_.size(), '?');  // each byte of an unfinished character
  carry_.clear();
}

std::string ToWindows1252(std::string_view utf8) {
  Windows1252Encoder encoder;
  std::string out;
  encoder.Encode(utf8, out);
  encoder.Finish(out);
  return out;
}

std::string FromWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b >= 0x80 && b < 0xA0) {
      AppendUtf8(kHigh[b - 0x80] ? char32_t{kHigh[b - 0x80]} : U'?', out);
    } else {
      AppendUtf8(b, out);
    }
  }
  return out;
}

}  // namespace quorvel
