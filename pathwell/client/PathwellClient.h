#pragma once
// A host's side of the folder-browse control: creates a Pathwell control as a control of a
// window and calls its browse method late-bound, by dispatch identifier.
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <string_view>

#include "PathwellIds.h"

namespace quorvel::pathwell {

// Calls Pathwell(hndParentHandle, txtPrompt) on `control` late-bound, by its dispatch
// identifier, the owner's handle and the prompt passed by reference as a VB host passes its
// variables. `result` is the chosen folder's path, or "" on Cancel; a failed call returns
// its HRESULT.
HRESULT InvokeBrowse(IDispatch* control, HWND owner, std::wstring_view prompt, std::wstring& result);

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

  // InvokeBrowse on the created control; E_UNEXPECTED when there is none.
  HRESULT Browse(HWND owner, const std::wstring& prompt, std::wstring& result);

  // Releases the control (and the loaded file, if any).
  void Destroy();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quorvel::pathwell
