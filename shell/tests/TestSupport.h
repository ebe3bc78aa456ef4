#pragma once
// Shared by the shell tests: the helpers of tests/support and the key click as the program
// carries it.
#include <windows.h>

#include <string>

#include "FakePlatform.h"
#include "Res.h"
#include "Resource.h"
#include "ScratchFolder.h"

namespace quorvel::testing {

// The key click as the program file carries it.
inline std::string KeyClickResource() {
  const auto bytes = Res::LoadResourceBytes(IDR_KEYCLICK, L"SOUNDS");
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace quorvel::testing
