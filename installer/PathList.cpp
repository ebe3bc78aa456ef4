#include "PathList.h"

#include <cwctype>
#include <vector>

namespace quorvel::installer {
namespace {

struct Span {
  size_t begin;
  size_t end;
};

// The entries of `path`; a ';' inside double quotes belongs to its entry.
std::vector<Span> Entries(std::wstring_view path) {
  std::vector<Span> entries;
  size_t begin = 0;
  bool quoted = false;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == L'"') {
      quoted = !quoted;
    } else if (path[i] == L';' && !quoted) {
      entries.push_back({begin, i});
      begin = i + 1;
    }
  }
  entries.push_back({begin, path.size()});
  return entries;
}

std::wstring_view Bare(std::wstring_view s) {
  if (s.size() >= 2 && s.front() == L'"' && s.back() == L'"') s = s.substr(1, s.size() - 2);
  if (s.size() > 1 && (s.back() == L'\\' || s.back() == L'/')) s.remove_suffix(1);
  return s;
}

}  // namespace

bool NamesFolder(std::wstring_view entry, std::wstring_view dir) {
  entry = Bare(entry);
  dir = Bare(dir);
  if (entry.size() != dir.size() || entry.empty()) return false;
  for (size_t i = 0; i < entry.size(); ++i) {
    if (std::towlower(entry[i]) != std::towlower(dir[i])) return false;
  }
  return true;
}

std::optional<std::wstring> WithFolder(std::wstring_view path, std::wstring_view dir) {
  for (const Span& e : Entries(path)) {
    if (NamesFolder(path.substr(e.begin, e.end - e.begin), dir)) return std::nullopt;
  }
  std::wstring entry(dir);
  if (entry.find(L';') != std::wstring::npos) entry = L'"' + entry + L'"';
  std::wstring result(path);
  // A value that ends in ';' keeps ending in one, so that taking the entry away again
  // gives back the same text.
  if (result.empty()) {
    result = entry;
  } else if (result.back() == L';') {
    result += entry + L';';
  } else {
    result += L';' + entry;
  }
  return result;
}

std::optional<std::wstring> WithoutFolder(std::wstring_view path, std::wstring_view dir) {
  const std::vector<Span> entries = Entries(path);
  for (size_t i = entries.size(); i-- > 0;) {
    const Span e = entries[i];
    if (!NamesFolder(path.substr(e.begin, e.end - e.begin), dir)) continue;
    std::wstring result(path);
    if (e.begin > 0) {
      result.erase(e.begin - 1, e.end - e.begin + 1);
    } else if (e.end < path.size()) {
      result.erase(e.begin, e.end - e.begin + 1);
    } else {
      result.clear();
    }
    return result;
  }
  return std::nullopt;
}

}  // namespace quorvel::installer
