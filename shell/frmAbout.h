#pragma once
// The About window: the author's picture, the program's name and version, the credit line
// and the web link. Shown modally; each showing creates it afresh.
#include <windows.h>
#include <ocidl.h>

#include <array>
#include <string>

#include "ControlTable.h"
#include "Raii.h"
#include "Window.h"

namespace quorvel {

class frmAbout : public win::WindowBase<frmAbout> {
 public:
  static constexpr wchar_t kClassName[] = L"QuorvelAboutWindow";
  static constexpr const wchar_t* kWebPage = L"https://quorvel.app/";
  // The picture and the labels, all painted on the window, in the order of its layout table.
  enum Row : size_t { Image1, Label1, lvlVersion, Label3, Label2, Label4, kRows };

  // Shows the window centred over `owner` (the screen when null), disables the owner while
  // it is open and returns when it has closed.
  static void Show(HWND owner);

 private:
  // Show's steps: the window made and loaded (not yet shown; OLE must be initialised for the
  // picture), then shown modally until it closes.
  frmAbout() = default;
  ~frmAbout() override;
  frmAbout(const frmAbout&) = delete;
  frmAbout& operator=(const frmAbout&) = delete;
  static bool Register(HINSTANCE instance);
  bool Create(HWND owner);
  void ShowModal();

  bool OnCreate(const CREATESTRUCTW& create) override;
  void OnPaint(HDC dc, PAINTSTRUCT* ps) override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Form_Load();
  void Form_QueryUnload();
  void Label4_Click();
  void LayoutLabels();
  void LoadPicture();
  bool InLink(POINT client) const;
  static COLORREF ColorOf(Row row);

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
