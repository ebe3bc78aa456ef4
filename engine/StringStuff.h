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

// Why Windows could not hold `fileName` as the name of a file: it holds one of \ / : * ? " < > |,
// is empty, "." or "..", ends in a dot or a blank (which Windows drops), or is a device name
// (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9 and COM/LPT with a superscript 1 to 3, in any
// case, with any extension). The reason as a sentence about "the file name"; empty when Windows can hold it.
std::string WindowsFileNameFault(std::string_view fileName);

// Why `folder` is no folder path Windows could open: it holds one of " * ? < > |, or a ":"
// other than the one after a drive letter ("\\?\" and "\\server\share" are allowed). The
// reason as a sentence about "the destination"; empty when there is none.
std::string WindowsFolderFault(std::string_view folder);

}  // namespace quorvel::StringStuff
