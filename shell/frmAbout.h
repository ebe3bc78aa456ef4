#pragma once
// The About window: the author's picture, the program's name and version, the credit line
// and the web link. Shown modally; each showing creates it afresh.
#include <windows.h>
#include <ocidl.h>

#include <array>
#include <functional>
#include <string>

#include "Raii.h"
#include "Window.h"

namespace quorvel {

class frmAbout : public win::WindowBase<frmAbout> {
 public:
  static constexpr const wchar_t* kWebPage = L"https://quorvel.app/";
  // The picture and the labels, all painted on the window, in the order of its layout table.
  enum Row : size_t { Image1, Label1, lvlVersion, Label3, Label2, Label4, kRows };

  // Shows the window centred over `owner` (the screen when null), disables the owner while
  // it is open and returns when it has closed.
  static void Show(HWND owner);

  // Tests: called with the window once it is shown, before its message loop runs.
  using ShownHook = std::function<void(frmAbout&)>;
  static void SetShownHookForTesting(ShownHook hook);

  // What a row shows and where, as painted now (client pixels).
  const std::wstring& Text(Row row) const { return texts_[row]; }
  RECT Rect(Row row) const { return rects_[row]; }
  HFONT FontOf(Row row) const { return controls_.fonts[row].get(); }
  static COLORREF ColorOf(Row row);
  bool HasPicture() const { return static_cast<bool>(picture_); }
  HCURSOR LinkCursor() const { return linkCursor_; }
  HWND Tooltip() const { return controls_.tooltip; }

  frmAbout(const frmAbout&) = delete;
  frmAbout& operator=(const frmAbout&) = delete;

 private:
  friend class win::WindowBase<frmAbout>;
  frmAbout() = default;
  ~frmAbout();

  bool Create(HWND owner);
  void Form_Load();
  void Form_QueryUnload();
  void Label4_Click();
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc);
  void LayoutLabels();
  void LoadPicture();
  bool InLink(POINT client) const;

  HWND owner_ = nullptr;
  bool ownerDisabled_ = false;
  std::array<std::wstring, kRows> texts_;
  std::array<RECT, kRows> rects_{};
  win::CreatedControls controls_;
  win::ComPtr<IPicture> picture_;
  HCURSOR linkCursor_ = nullptr;
  bool linkPressed_ = false;
};

}  // namespace quorvel
