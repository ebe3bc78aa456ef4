#pragma once
#include <string>
#include <string_view>

// Names derived from a source path. Strings are UTF-8; only the backslash separates.
namespace quorvel::StringStuff {

// The part of a path after its last backslash (the whole path when it has none).
std::string FileNameFromPath(std::string_view path);

// The text with every "." replaced by "_".
std::string DotsToUnderscores(std::string_view text);

// The stem used in procedure names: DotsToUnderscores of the file name, every character
// that is not an ASCII letter, digit or "_" turned into "_", "File_" put in front when it
// does not begin with a letter, cut to 240 characters. Always a valid VB identifier.
std::string MakeStem(std::string_view fileName);

// The module's VB_Name: "mod" + the file name's text before its first ".", every character
// that is not an ASCII letter, digit or "_" turned into "_", cut to 31 characters.
std::string MakeAttribName(std::string_view fileName);

}  // namespace quorvel::StringStuff
