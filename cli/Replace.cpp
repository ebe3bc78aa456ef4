// Replacing targets, the part every platform shares; the rest is in ReplacePosix.cpp and
// ReplaceWindows.cpp.
#include "Replace.h"

#include <cstdio>

#include "Messages.h"
#include "VbError.h"
#include "Writer.h"

namespace quorvel::cli {

bool IsStandardOutput(const std::string& path) {
  const auto out = IdOfDescriptor(1);
  return out && IdOf(path) == out;
}

void CheckReplaceable(const Target& target, bool force) {
  if (KindOf(target.path) == PathKind::Folder) throw NamedError{target.given, kErrPathFileAccess, ""};
  switch (BarToReplacing(target.path, force)) {
    case ReplaceBar::None: return;
    case ReplaceBar::ReadOnly:
      throw NamedError{target.given, kErrPathFileAccess, "the file is read-only; --force replaces it"};
    case ReplaceBar::SomeoneElses:
      throw NamedError{target.given, kErrPermissionDenied,
                       "it belongs to someone else, in a folder where only a file's owner may replace it"};
  }
}

void PendingFile::SayOldFileKeptAt(const std::string& where) const noexcept {
  std::fprintf(stderr, "quorvel-gen: %s: could not put the old file back; it is kept as %s\n",
               Shown(target_.given).c_str(), Shown(where).c_str());
}

void PendingFile::CheckNotASource(const std::vector<SourceSeen>& sources) const {
  for (const std::string* name : {&target_.given, &target_.path}) {
    const auto id = IdOf(*name);
    if (!id) continue;
    for (const SourceSeen& source : sources)
      if (source.id == *id)
        throw Refusal{"will not write " + Shown(target_.given) + ": it is the same file as " + Subject(source.file)};
  }
}

void ReplaceAll(const std::vector<PendingFile*>& files, const std::vector<SourceSeen>& sources) {
  // Not stopped half way: a stop now would leave some targets new and some old.
  StopSignalsHeld hold;
  for (const PendingFile* file : files) {
    file->Check();
    file->CheckNotASource(sources);
  }
  // A stop that came until now leaves every target as it was. One that comes once the first
  // is replaced lets the run finish, and it ends as a run that was not stopped (exit 0): the
  // new modules are all in place a few renames later, where putting the old ones back could
  // itself fail half way.
  hold.LetPendingThrough();
  if (StopRequested()) throw Stopped{};
  std::size_t placed = 0;
  try {
    for (; placed < files.size(); ++placed) {
      files[placed]->CheckNotASource(sources);  // again at the moment of the replace
      files[placed]->Place(placed + 1 < files.size());
    }
  } catch (...) {
    while (placed) files[--placed]->Undo();
    throw;
  }
  for (PendingFile* file : files) file->Finish();
  if (placed) hold.KeepUntilExit();
}

}  // namespace quorvel::cli
