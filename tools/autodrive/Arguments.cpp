#include "Arguments.h"

#include <cwctype>

#include "Text.h"

namespace quorvel::autodrive {

void Fail(const std::wstring& message) { throw Failure(win::Utf8(message)); }

void Out(const std::wstring& line) {
  const std::string s = win::Utf8(line) + "\n";
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fflush(stdout);
}

std::vector<std::wstring> SplitArgs(const std::wstring& line) {
  std::vector<std::wstring> args;
  std::wstring current;
  bool quoted = false, any = false;
  for (wchar_t c : line) {
    if (c == L'"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n')) {
      if (any) args.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (quoted) Fail(L"unbalanced quotes in: " + line);
  if (any) args.push_back(current);
  return args;
}

int ToInt(const std::wstring& s) {
  try {
    size_t used = 0;
    const int v = std::stoi(s, &used, 0);
    if (used == s.size()) return v;
  } catch (const std::exception&) {
  }
  Fail(L"not a number: " + s);
}

std::vector<std::wstring> ReadLines(FILE* in) {
  std::vector<std::wstring> lines;
  std::string line;
  int c;
  while ((c = std::fgetc(in)) != EOF) {
    if (c == '\n') {
      lines.push_back(win::Widen(line));
      line.clear();
    } else if (c != '\r') {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty()) lines.push_back(win::Widen(line));
  return lines;
}

std::wstring Escaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\r') out += L"\\r";
    else if (c == L'\n') out += L"\\n";
    else out += c;
  }
  return out;
}

std::wstring WithoutAmpersands(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

// Iterative, so long texts cost no stack.
bool GlobMatch(const wchar_t* pattern, const wchar_t* text) {
  const wchar_t* star = nullptr;
  const wchar_t* resume = nullptr;
  while (*text) {
    if (*pattern == L'*') {
      star = pattern++;
      resume = text;
    } else if (*pattern && std::towlower(*pattern) == std::towlower(*text)) {
      ++pattern, ++text;
    } else if (star) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == L'*') ++pattern;
  return *pattern == 0;
}

}  // namespace quorvel::autodrive
