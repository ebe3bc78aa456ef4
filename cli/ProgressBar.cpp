#include "ProgressBar.h"

#include <cstdio>

namespace quorvel::cli {

namespace {

constexpr int kCells = 40;

}  // namespace

ProgressBar::ProgressBar()
    : show_([](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); }) {}

void ProgressBar::Converted(std::uint32_t position, std::uint32_t total) {
  const int percent = static_cast<int>(100ull * position / total);
  if (percent == shown_) return;
  shown_ = percent;
  const int filled = percent * kCells / 100;
  char number[8];
  std::snprintf(number, sizeof number, "%3d%%", percent);
  std::string text = "\r[";
  text.append(static_cast<std::size_t>(filled), '#');
  text.append(static_cast<std::size_t>(kCells - filled), ' ');
  text += "] ";
  text += number;
  if (position == total) text += '\n';
  show_(text);
}

}  // namespace quorvel::cli
