#pragma once
#include <string>
#include <string_view>

namespace quorvel {

// Whether Windows-1252 has a byte for the code point.
bool Windows1252Holds(char32_t codePoint);

// Converts UTF-8 to Windows-1252 piece by piece (a character may be split between pieces).
// Decoding is strict: a character outside the code page becomes one "?", and so does every
// byte that is not part of a well-formed character (overlong forms, surrogates, broken or
// unfinished sequences), so no malformed input can turn into a quote or a line break.
class Windows1252Encoder {
 public:
  // Appends the converted piece to out.
  void Encode(std::string_view utf8, std::string& out);
  // Ends the text: each byte of an unfinished character left over becomes "?".
  void Finish(std::string& out);
  // True while part of a character waits for the next piece.
  bool Pending() const { return !carry_.empty(); }

 private:
  std::string carry_;
};

std::string ToWindows1252(std::string_view utf8);
std::string FromWindows1252(std::string_view text);  // to UTF-8

}  // namespace quorvel
