#include "Windows1252.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace quorvel {
namespace {

// Code points of bytes 0x80..0x9F; 0 where the code page has no character.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ByteFor(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (std::size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] != 0 && kHigh[i] == cp) return static_cast<char>(0x80 + i);
  return '?';
}

std::size_t SequenceLength(std::uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xC2 || lead > 0xF4) return 0;
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
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
    const auto lead = static_cast<std::uint8_t>(utf8[i]);
    const std::size_t n = SequenceLength(lead);
    if (n == 0) {
      out.push_back('?');
      ++i;
      continue;
    }
    if (i + n > utf8.size()) {
      carry_.assign(utf8.substr(i));
      return;
    }
    char32_t cp = lead & (0x7F >> n);
    bool ok = true;
    for (std::size_t k = 1; k < n; ++k) {
      const auto b = static_cast<std::uint8_t>(utf8[i + k]);
      if ((b & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (b & 0x3F);
    }
    if (!ok) {
      out.push_back('?');
      ++i;
      continue;
    }
    out.push_back(ByteFor(cp));
    i += n;
  }
}

void Windows1252Encoder::Finish(std::string& out) {
  if (!carry_.empty()) out.push_back('?');
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
      AppendUtf8(kHigh[b - 0x80] ? kHigh[b - 0x80] : U'?', out);
    } else {
      AppendUtf8(b, out);
    }
  }
  return out;
}

}  // namespace quorvel
