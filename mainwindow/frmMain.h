#pragma once
// The main window: the source field and its Browse button, the options, the six commands,
// the output area, the status label and the busy lamp.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "CommonDialog.h"
#include "ControlTable.h"
#include "ConversionRun.h"
#include "FolderBrowser.h"
#include "Raii.h"
#include "TextView.h"
#include "Window.h"

namespace quorvel {

class frmMain : public win::WindowBase<frmMain>, private RunWindow {
 public:
  // Rows of the control table, in its order; a row's control has the identifier kFirstId + row.
  enum Ctl : size_t {
    Frame1, txtSourceFile, Command1, Frame2, Frame3, optAppPath, optOtherLocation, txtOtherLocation,
    btnSelectDir, Frame4, optPrivate, optPublic, btnStart, btnSave, btnClear, btnAbout, btnHelp, btnExit,
    Label1, LED1, Text1, StatusBar1, kControlCount
  };
  // The control identifier of the table's first row; the others follow in row order.
  static constexpr int kFirstId = 1001;

  // Without a browser the Pathwell control beside the program serves.
  explicit frmMain(std::unique_ptr<FolderBrowser> browser = nullptr);
  ~frmMain();
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  // Registers the window class and those of its own controls once; false when Windows refuses.
  static bool Register(HINSTANCE instance);
  // Creates and loads the window and shows it centred; false when it cannot be created.
  bool Create(HINSTANCE instance, int showCommand);
  // The message loop's filter (Tab and arrow keys among the controls); true when handled.
  bool PreTranslate(MSG& msg);
  // Ends the message loop when the window is gone (the program; tests keep their loop).
  void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

 private:
  // The window's hooks (Window.h); the layout and the painted labels are in frmMainLayout.cpp.
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool OnCreate(const CREATESTRUCTW& create) override;
  void OnCommand(int id, int code) override;
  void OnPaint(HDC dc, PAINTSTRUCT* ps) override;
  void OnDestroy() override;
  void Unload();  // Form_QueryUnload, then the window goes

  // Event procedures.
  void Form_Load();
  void Form_QueryUnload();
  void btnStart_Click();
  void Command1_Click();
  void optPublic_Click();
  void optPrivate_Click();
  void optAppPath_Click();
  void optOtherLocation_Click();
  void txtOtherLocation_Validate();
  void btnSelectDir_Click();
  void btnSave_Click();
  void btnClear_Click();
  void btnHelp_Click();
  void btnAbout_Click();
  void btnExit_Click();

  // What the conversion run shows on the window.
  void SetStatusCaption(std::wstring caption) override;
  void SetLedColor(COLORREF color) override;
  void RepaintNow() override;
  // Lets the window process its pending messages, as a long command must; false when it
  // was asked to close meanwhile.
  bool DoEvents() override;
  HWND BoxOwner() const override { return hwnd_; }

  // The painted labels Label1 and StatusBar1 size themselves to their caption: their place in
  // client pixels.
  void LayoutLabel(Ctl row);
  // The windows made from the control table (nullptr for the labels painted on the window).
  HWND Control(Ctl row) const { return controls_.windows[row]; }
  RECT LabelRect(Ctl row) const;
  HFONT ControlFont(Ctl row) const { return controls_.fonts[row].get(); }
  std::wstring TextOf(Ctl row) const { return win::WindowText(Control(row)); }
  void SetTextOf(Ctl row, const std::wstring& text) { ::SetWindowTextW(Control(row), text.c_str()); }
  bool Checked(Ctl row) const { return win::IsChecked(Control(row)); }
  void SetChecked(Ctl row, bool checked) { win::SetChecked(Control(row), checked); }
  void Enable(Ctl row, bool enabled) { ::EnableWindow(Control(row), enabled ? TRUE : FALSE); }
  void ShowPathwellMissing(HRESULT hr);

  // The default save name, from the chosen source file.
  std::wstring DefFilename;
  // The open and save dialogs.
  CommonDialog CD1;
  std::unique_ptr<FolderBrowser> Pathwell1;
  HRESULT pathwellResult_ = E_PENDING;
  TextView text1_;
  ConversionRun run_{*this, text1_};

  win::CreatedControls controls_;
  std::wstring label1Caption_ = L"Busy";
  std::wstring statusCaption_ = L"Label2";
  RECT labelRects_[2]{};
  int dpi_ = 96;
  win::Icon icon_;
  win::Icon smallIcon_;
  HWND lastFocus_ = nullptr;

  bool closeRequested_ = false;
  bool closing_ = false;
  bool quitOnDestroy_ = false;
};

}  // namespace quorvel
