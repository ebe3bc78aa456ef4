#include "Path.h"

namespace quorvel::win {
namespace {

size_t LastSeparator(std::wstring_view path) noexcept { return path.find_last_of(L"\\/"); }

}  // namespace

bool IsPathSeparator(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

std::wstring_view FileNameOf(std::wstring_view path) noexcept {
  const size_t slash = LastSeparator(path);
  return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

std::wstring FolderOf(std::wstring_view path) {
  const size_t slash = LastSeparator(path);
  if (slash == std::wstring_view::npos) return {};
  const bool atRoot = slash == 0 || (slash == 2 && path[1] == L':');
  return std::wstring(path.substr(0, atRoot ? slash + 1 : slash));
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
  std::wstring joined(folder);
  if (!joined.empty() && !IsPathSeparator(joined.back())) joined += L'\\';
  joined += name;
  return joined;
}

}  // namespace quorvel::win
