#include "CommonDialog.h"

#include <commdlg.h>

#include <vector>

#include "Platform.h"
#include "VbError.h"

namespace quorvel {

std::wstring CommonDialog::DialogFilter(const std::wstring& filter) {
  std::wstring out = filter;
  for (wchar_t& c : out)
    if (c == L'|') c = L'\0';
  out.push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

void CommonDialog::ShowOpen(HWND owner) { Show(owner, false); }
void CommonDialog::ShowSave(HWND owner) { Show(owner, true); }

void CommonDialog::Show(HWND owner, bool save) {
  // Long paths are allowed; the dialog reports a name that does not fit as an error.
  std::vector<wchar_t> buffer(32768, L'\0');
  fileName_.copy(buffer.data(), std::min(fileName_.size(), buffer.size() - 1));

  const std::wstring filter = filter_.empty() ? std::wstring() : DialogFilter(filter_);
  std::wstring ext = defaultExt_;
  if (!ext.empty() && ext.front() == L'.') ext.erase(0, 1);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrTitle = dialogTitle_.empty() ? nullptr : dialogTitle_.c_str();
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  // No overwrite prompt: the program asks its own question after the dialog.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;

  Platform& platform = CurrentPlatform();
  const BOOL ok = save ? platform.GetSaveFileNameW(&ofn) : platform.GetOpenFileNameW(&ofn);
  if (!ok) {
    const DWORD error = ::CommDlgExtendedError();
    fileName_.clear();
    if (error != 0) throw VbError(kErrCommonDialogFailed, "Common dialog function failed");
    if (cancelError_) throw VbError(kErrCancel);
    return;
  }
  fileName_.assign(buffer.data());
}

}  // namespace quorvel
