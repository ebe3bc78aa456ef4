#pragma once
// The test form of the control library: a GO button that calls the control's browse method
// late-bound and a text box that shows the answer. It uses the control as any host does.
#include <windows.h>

#include <string>

#include "ControlTable.h"
#include "PathwellClient.h"
#include "Window.h"

namespace quorvel::pathwell {

class Form1 : public win::WindowBase<Form1> {
 public:
  static constexpr wchar_t kClassName[] = L"PathwellForm1";
  static constexpr wchar_t kCaption[] = L"Form1";
  static constexpr wchar_t kPrompt[] = L"BROWSE FOR prinTER";
  static constexpr int kCommand1Id = 1;
  static constexpr int kText1Id = 2;

  Form1() = default;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  ~Form1();

  // Registers the window class once; false when Windows refuses.
  static bool Register(HINSTANCE instance);
  // Creates the window, its controls and Pathwell1 (from `libraryFolder` when the control
  // is not registered); false when any of them cannot be made. The window is not shown.
  bool Create(HINSTANCE instance, const std::wstring& libraryFolder);

  HWND Command1() const { return controls_.windows[kCommand1]; }
  HWND Text1() const { return controls_.windows[kText1]; }
  // Closing the window ends the thread's message loop (the program's own form).
  void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

 private:
  enum Row : size_t { kCommand1, kText1 };

  bool OnCreate(const CREATESTRUCTW& create) override;
  // The GO button: browse with this window as owner; the answer replaces Text1's text.
  void Command1_Click();
  void OnCommand(int id, int code) override;
  void OnDestroy() override;

  PathwellClient Pathwell1;
  win::CreatedControls controls_;
  std::wstring libraryFolder_;
  bool quitOnDestroy_ = false;
};

// Runs the form's message loop until the window is closed.
int RunForm1(HINSTANCE instance, int show);

}  // namespace quorvel::pathwell
