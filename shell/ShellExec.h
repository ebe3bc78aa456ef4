#pragma once
#include <string>

namespace quorvel::ShellExec {

// Opens a document or web address with its associated program, maximised, working
// directory "C:\", owned by the desktop window. The outcome is not reported.
void ShellOpen(const std::wstring& target);

}  // namespace quorvel::ShellExec
