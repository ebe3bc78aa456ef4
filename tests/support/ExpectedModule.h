#pragma once
// What the window's tests expect: source bytes of a known pattern, and the module the engine
// makes of them, as the output area holds it (UTF-16).
#include <cstdint>
#include <span>
#include <string>

#include "ModuleGenerator.h"
#include "Text.h"

namespace quorvel::testing {

inline std::string Bytes(size_t n, int seed = 1) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + seed) & 0xFF);
  return s;
}

inline std::wstring Module(const std::wstring& fileName, const std::string& bytes, const std::wstring& scope,
                           const std::wstring& folder) {
  ModuleOptions options;
  options.fileName = win::Utf8(fileName);
  options.scope = win::Utf8(scope);
  options.destFolder = win::Utf8(folder);
  return win::Widen(
      GenerateModule(options, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
}

}  // namespace quorvel::testing
