#pragma once
// A host's side of the folder-browse control: creates a Pathwell control as a control of a
// window and calls its browse method late-bound, by dispatch identifier.
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>

#include "PathwellIds.h"

namespace quorvel::pathwell {

class PathwellClient {
 public:
  PathwellClient();
  ~PathwellClient();
  PathwellClient(const PathwellClient&) = delete;
  PathwellClient& operator=(const PathwellClient&) = delete;

  // Creates the control for `host` by its class identity; when the class is not registered,
  // loads "Pathwell.ocx" from `fallbackFolder` and creates it through that file's class
  // factory. Gives the control a minimal client site. S_OK when the control is there.
  HRESULT Create(HWND host, const std::wstring& fallbackFolder);
  bool Created() const;

  // Calls Pathwell(hndParentHandle, txtPrompt): shows the folder dialog and returns the
  // chosen folder's path, or "" on Cancel. Fails with the call's HRESULT.
  HRESULT Browse(HWND owner, const std::wstring& prompt, std::wstring& result);

  // Releases the control (and the loaded file, if any).
  void Destroy();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quorvel::pathwell
