#pragma once
// Application information: the program's folder, its help file and its version.
#include <string>

#include "quorvel_version.h"

namespace quorvel::App {

inline constexpr int Major = QUORVEL_VERSION_MAJOR;
inline constexpr int Minor = QUORVEL_VERSION_MINOR;
inline constexpr int Revision = QUORVEL_VERSION_REVISION;

// The folder that holds the running program (as the platform in force reports it), without
// a trailing backslash except at a drive root ("C:\").
std::wstring Path();

// The help file's fixed path: "C:\VB Projects\Quorvel\helpfile.chm".
std::wstring HelpFile();

// The help file to open: HelpFile() when it exists, otherwise "helpfile.chm" beside the program.
std::wstring ResolvedHelpFile();

}  // namespace quorvel::App
