// File access shared by every platform; the rest is in FilesPosix.cpp and FilesWindows.cpp.
#include "Files.h"

namespace quorvel::cli {

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = other.Release();
  }
  return *this;
}

bool MissingIsTheFile(const std::string& path, bool reading) {
  return reading && KindOf(SplitPath(path).first) == PathKind::Folder;
}

std::optional<FileId> ProbeSource(const std::string& path) {
  if (path == "-") return IdOfDescriptor(0);
  // Opening a FIFO would wait for its writer and take its data; opening a device may do
  // something. Anything else fails here as it would later, or is opened and closed again.
  if (KindOf(path) == PathKind::Other) return IdOf(path);
  return OpenSource(path).id;
}

}  // namespace quorvel::cli
