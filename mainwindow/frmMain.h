#pragma once
// The main window: the source field and its Browse button, the options, the six commands,
// the output area, the status label and the busy lamp.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "CommonDialog.h"
#include "FolderBrowser.h"
#include "Window.h"

namespace quorvel {

class frmMain : public win::WindowBase<frmMain> {
 public:
  // Rows of the control table, in its order.
  enum Ctl : size_t {
    Frame1, txtSourceFile, Command1, Frame2, Frame3, optAppPath, optOtherLocation, txtOtherLocation,
    btnSelectDir, Frame4, optPrivate, optPublic, btnStart, btnSave, btnClear, btnAbout, btnHelp, btnExit,
    Label1, LED1, Text1, StatusBar1, kControlCount
  };

  // Watches a conversion run (tests and the benchmark).
  class RunObserver {
   public:
    virtual ~RunObserver() = default;
    virtual void StatusCaption(std::wstring_view /*caption*/) {}
    virtual void LedColor(COLORREF /*color*/) {}
    // The window has just processed its pending messages during a run.
    virtual void Pumped() {}
  };

  // Without a browser the Pathwell control beside the program serves.
  explicit frmMain(std::unique_ptr<FolderBrowser> browser = nullptr);
  ~frmMain();
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  // Creates and loads the window and shows it centred; false when it cannot be created.
  bool Create(HINSTANCE instance, int showCommand);
  // The message loop's filter (Tab and arrow keys among the controls); true when handled.
  bool PreTranslate(MSG& msg);
  // Ends the message loop when the window is gone (the program; tests keep their loop).
  void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

  static std::span<const win::ControlSpec> Table();

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

  // The default save name, from the chosen source file.
  std::wstring DefFilename;
  // Generator state of the last run.
  std::wstring qt;
  std::int32_t PartCount = 0;
  std::int32_t LineCount = 0;
  std::wstring Attribname;
  std::wstring OptionType;
  // The open and save dialogs.
  CommonDialog CD1;

  HWND Control(Ctl row) const { return controls_.windows[row]; }
  const std::wstring& StatusCaption() const { return statusCaption_; }
  COLORREF ledcolor() const;
  bool Running() const { return running_; }
  // Where a painted label stands now, in client pixels (it sizes itself to its caption).
  RECT LabelRect(Ctl row) const;
  HFONT ControlFont(Ctl row) const { return controls_.fonts[row].get(); }
  HWND Tooltip() const { return controls_.tooltip; }

  void SetRunObserver(RunObserver* observer) { observer_ = observer; }
  // Longest time between two message pumps of a run; 0 pumps after every byte.
  void SetPumpInterval(double milliseconds) { pumpIntervalMs_ = milliseconds; }

 private:
  friend class win::WindowBase<frmMain>;
  class Run;

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void OnCommand(int id, int code);
  void Paint(HDC dc);
  void CloseWindow();

  // Lets the window process its pending messages, as a long command must.
  void DoEvents();
  void SetStatusCaption(std::wstring caption);
  void SetLedColor(COLORREF color);
  void LayoutLabel(Ctl row);
  std::wstring TextOf(Ctl row) const;
  void SetTextOf(Ctl row, const std::wstring& text);
  bool Checked(Ctl row) const;
  void SetChecked(Ctl row, bool checked);
  void Enable(Ctl row, bool enabled);
  void ShowPathwellMissing(HRESULT hr);

  std::unique_ptr<FolderBrowser> Pathwell1;
  HRESULT pathwellResult_ = E_PENDING;

  win::CreatedControls controls_;
  std::wstring label1Caption_ = L"Busy";
  std::wstring statusCaption_ = L"Label2";
  RECT labelRects_[2]{};
  int dpi_ = 96;
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;
  HWND lastFocus_ = nullptr;

  bool running_ = false;
  bool closeRequested_ = false;
  bool closing_ = false;
  bool quitOnDestroy_ = false;
  double pumpIntervalMs_ = 30;
  RunObserver* observer_ = nullptr;
};

}  // namespace quorvel
