#pragma once
// The open and save dialogs with the properties a Visual Basic programmer knows from the
// CommonDialog control: set the properties, call ShowOpen or ShowSave, read FileName.
#include <windows.h>

#include <string>

namespace quorvel {

class CommonDialog {
 public:
  // When on, Cancel raises VbError 32755 "Cancel was selected.".
  bool CancelError = false;
  std::wstring DialogTitle;
  // "name|pattern|name|pattern..."
  std::wstring Filter;
  // With or without its dot (".txt" and "txt" mean the same).
  std::wstring DefaultExt;
  // The name the dialog starts with; the chosen full path afterwards ("" after Cancel).
  std::wstring FileName;

  // Both go through the platform seam; the call returns when the dialog has closed.
  void ShowOpen(HWND owner);
  void ShowSave(HWND owner);

  // The filter in the form the dialog takes: pairs separated and ended by NULs.
  static std::wstring DialogFilter(const std::wstring& filter);

 private:
  void Show(HWND owner, bool save);
};

}  // namespace quorvel
