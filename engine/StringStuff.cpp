#include "StringStuff.h"

#include <algorithm>

#include "Utf8.h"

namespace quorvel::StringStuff {
namespace {

constexpr std::size_t kMaxStem = 240;
constexpr std::size_t kMaxAttribName = 31;  // VBA refuses longer module names

bool IsAsciiLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsIdentifierChar(char32_t c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_'; }

// Every character that may not stand in a VB identifier becomes "_", and so does every byte
// that starts no valid UTF-8 character.
std::string IdentifierChars(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Utf8Char c = DecodeUtf8(text.substr(i));
    out.push_back(IsIdentifierChar(c.codePoint) ? text[i] : '_');
    i += std::max<std::size_t>(c.length, 1);
  }
  return out;
}

bool IsAsciiDigit1To9(char c) { return c >= '1' && c <= '9'; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "COM1", "lpt9", "Com\u00B9": a device name whatever follows it. Windows takes the superscript
// digits one to three (UTF-8 C2 B9, C2 B2, C2 B3) as digits here.
bool IsDeviceName(std::string_view base) {
  std::string upper;
  for (const char c : base) upper.push_back(AsciiUpper(c));
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" ||
      upper == "CONOUT$")
    return true;
  if (upper.size() < 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0)) return false;
  const std::string_view digit = std::string_view(upper).substr(3);
  return (digit.size() == 1 && IsAsciiDigit1To9(digit[0])) || digit == "\xC2\xB9" || digit == "\xC2\xB2" ||
         digit == "\xC2\xB3";
}

std::string Quoted(char c) { return std::string("\"") + c + "\""; }

}  // namespace

std::string WindowsFileNameFault(std::string_view fileName) {
  constexpr std::string_view kNotInNames = "\\/:*?\"<>|";
  for (const char c : fileName)
    if (kNotInNames.find(c) != std::string_view::npos)
      return "the file name holds " + Quoted(c) + ", which Windows does not allow in a file name (\\ / : * ? \" < > |)";
  if (fileName.empty()) return "the file name is empty";
  if (fileName == "." || fileName == "..")
    return "the file name is \"" + std::string(fileName) + "\", which names a folder, not a file";
  if (fileName.back() == '.') return "the file name ends in a dot, which Windows drops";
  if (fileName.back() == ' ') return "the file name ends in a blank, which Windows drops";
  std::string_view base = fileName.substr(0, fileName.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  if (IsDeviceName(base))
    return "the file name is the device name " + std::string(base) + ", which Windows keeps for a device";
  return {};
}

std::string WindowsFolderFault(std::string_view folder) {
  constexpr std::string_view kLongPrefix = "\\\\?\\";
  const std::size_t from = folder.starts_with(kLongPrefix) ? kLongPrefix.size() : 0;
  const std::size_t driveColon = from + 1;
  for (std::size_t i = from; i < folder.size(); ++i) {
    const char c = folder[i];
    if (c == ':' && !(i == driveColon && IsAsciiLetter(static_cast<unsigned char>(folder[from]))))
      return "the destination holds \":\" other than after a drive letter";
    if (std::string_view("\"*?<>|").find(c) != std::string_view::npos)
      return "the destination holds " + Quoted(c) + ", which Windows does not allow in a path (\" * ? < > |)";
  }
  return {};
}

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
