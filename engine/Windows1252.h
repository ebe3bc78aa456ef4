#pragma once
#include <string>
#include <string_view>

namespace quorvel {

// Converts UTF-8 to Windows-1252 piece by piece (a character may be split between pieces);
// characters outside the code page, and malformed bytes, become "?".
class Windows1252Encoder {
 public:
  // Appends the converted piece to out.
  void Encode(std::string_view utf8, std::string& out);
  // Ends the text: an unfinished character left over becomes "?".
  void Finish(std::string& out);
  // True while part of a character waits for the next piece.
  bool Pending() const { return !carry_.empty(); }

 private:
  std::string carry_;
};

std::string ToWindows1252(std::string_view utf8);
std::string FromWindows1252(std::string_view text);  // to UTF-8

}  // namespace quorvel
