#pragma once
// The source of a conversion run: a file read through the Windows file API. Other programs
// may keep reading, writing or even deleting it while it is open.
#include <windows.h>

#include <string>
#include <vector>

#include "ModuleGenerator.h"
#include "Raii.h"

namespace quorvel {

class SourceFile final : public ByteSource {
 public:
  // Opens an existing file; failures are VbError (53 no such file, 76 no such folder,
  // 75 access denied or a folder, 70 locked by another program).
  explicit SourceFile(const std::wstring& path);

  std::uint64_t Length() override;
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override;

 private:
  win::Handle handle_;
  // Reads go through a buffer: the generator asks for small pieces.
  std::vector<std::uint8_t> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace quorvel
