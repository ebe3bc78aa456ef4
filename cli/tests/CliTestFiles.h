#pragma once
// A fresh folder for one test of the CLI's units, removed with everything in it afterwards, and
// the file helpers the tests use in it. Paths are UTF-8, as the units take them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "Files.h"

namespace quorvel::cli::test {

inline std::string Utf8(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

inline std::filesystem::path PathOf(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    for (;;) {
      path_ = std::filesystem::temp_directory_path() / ("quorvel-cli-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Path() const { return Utf8(path_); }
  std::string operator/(std::string_view name) const { return Utf8(path_ / PathOf(name)); }
  // The names in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(Utf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(PathOf(path), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The whole file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string RandomBytes(std::size_t n, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// A pipe: the reading end and the writing end.
struct Pipe {
  Fd read, write;
  Pipe() {
    int fds[2];
#ifdef _WIN32
    EXPECT_EQ(_pipe(fds, 1 << 16, _O_BINARY), 0);
#else
    EXPECT_EQ(pipe(fds), 0);
#endif
    read = Fd(fds[0]);
    write = Fd(fds[1]);
  }
};

// What a NamedError thrown by the action says: "subject|number|detail" ("" when none is).
template <typename Action>
std::string NamedErrorOf(Action&& action) {
  try {
    action();
  } catch (const NamedError& e) {
    return e.subject + "|" + std::to_string(e.number) + "|" + e.detail;
  }
  return "";
}

}  // namespace quorvel::cli::test
