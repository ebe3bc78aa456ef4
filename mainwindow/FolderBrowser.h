#pragma once
// What the main window asks of its folder-browse control: to be created on the window and
// to show the folder dialog. The program uses the Pathwell control; tests put in a fake.
#include <windows.h>

#include <memory>
#include <string>

namespace quorvel {

class FolderBrowser {
 public:
  virtual ~FolderBrowser() = default;
  // Creates the control on `host`; S_OK when it is there.
  virtual HRESULT Create(HWND host) = 0;
  // Shows the dialog over `owner`; `result` is the chosen folder or "" on Cancel.
  virtual HRESULT Browse(HWND owner, const std::wstring& prompt, std::wstring& result) = 0;
};

// The Pathwell control: registered, or else Pathwell.ocx in `fallbackFolder`.
std::unique_ptr<FolderBrowser> MakePathwellBrowser(std::wstring fallbackFolder);

}  // namespace quorvel
