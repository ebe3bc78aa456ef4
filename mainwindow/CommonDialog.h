#pragma once
// The open and save dialogs with the properties a Visual Basic programmer knows from the
// CommonDialog control: set the properties, call ShowOpen or ShowSave, read FileName.
#include <windows.h>

#include <string>
#include <utility>

namespace quorvel {

class CommonDialog {
 public:
  // When on, Cancel raises VbError 32755 "Cancel was selected.".
  void SetCancelError(bool on) { cancelError_ = on; }
  void SetDialogTitle(std::wstring title) { dialogTitle_ = std::move(title); }
  // "name|pattern|name|pattern..."
  void SetFilter(std::wstring filter) { filter_ = std::move(filter); }
  // With or without its dot (".txt" and "txt" mean the same).
  void SetDefaultExt(std::wstring ext) { defaultExt_ = std::move(ext); }
  // The name the dialog starts with; the chosen full path afterwards ("" after Cancel).
  void SetFileName(std::wstring name) { fileName_ = std::move(name); }
  const std::wstring& FileName() const { return fileName_; }

  // Both go through the platform seam; the call returns when the dialog has closed. The
  // settings stay for the next call, as a CommonDialog control's properties do.
  void ShowOpen(HWND owner);
  void ShowSave(HWND owner);

  // The filter in the form the dialog takes: pairs separated and ended by NULs.
  static std::wstring DialogFilter(const std::wstring& filter);

 private:
  void Show(HWND owner, bool save);

  bool cancelError_ = false;
  std::wstring dialogTitle_;
  std::wstring filter_;
  std::wstring defaultExt_;
  std::wstring fileName_;
};

}  // namespace quorvel
