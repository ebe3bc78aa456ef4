// The progress bar quorvel-gen draws on a terminal while a large source is converted.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "ModuleGenerator.h"

namespace quorvel::cli {

// "\r[####    ] 10%": 40 cells, redrawn only when the percentage changes; a line break once
// the whole source is converted.
class ProgressBar : public ProgressObserver {
 public:
  using Show = std::function<void(std::string_view)>;
  // Shows on standard error.
  ProgressBar();
  explicit ProgressBar(Show show) : show_(std::move(show)) {}

  void Converted(std::uint32_t position, std::uint32_t total) override;

 private:
  Show show_;
  int shown_ = -1;
};

}  // namespace quorvel::cli
