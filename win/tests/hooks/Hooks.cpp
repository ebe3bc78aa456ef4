// Windows whose hooks the compiler must accept (none of the FAULT_ macros defined) or refuse
// (one of them defined): a hook that is private needs no friend line, and one whose
// signature differs from the base's does not compile.
#include "Window.h"

namespace quorvel::win {

class Checked : public WindowBase<Checked> {
 private:
#if defined(FAULT_PAINT_BY_REFERENCE)
  void OnPaint(HDC, const PAINTSTRUCT&) override {}
#elif defined(FAULT_PAINT_WITHOUT_OVERRIDE)
  void OnPaint(HDC, const PAINTSTRUCT&) {}
#else
  void OnPaint(HDC, PAINTSTRUCT*) override {}
#endif
#if defined(FAULT_CREATE_WITHOUT_RESULT)
  void OnCreate(const CREATESTRUCTW&) override {}
#elif defined(FAULT_CREATE_WITHOUT_ARGUMENT)
  bool OnCreate() { return true; }
#else
  bool OnCreate(const CREATESTRUCTW&) override { return true; }
#endif
#if defined(FAULT_COMMAND_AS_WORDS)
  void OnCommand(WORD, WORD) {}
#else
  void OnCommand(int, int) override {}
#endif
#if defined(FAULT_DESTROY_CONST)
  void OnDestroy() const {}
#else
  void OnDestroy() override {}
#endif
#if defined(FAULT_HANDLER_WITHOUT_LPARAM)
  LRESULT HandleMessage(UINT msg, WPARAM wParam) { return DefaultProc(msg, wParam, 0); }
#else
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override { return DefaultProc(msg, wParam, lParam); }
#endif
};

// The window procedure is instantiated, as registering the class does.
[[maybe_unused]] bool Register(HINSTANCE instance) {
  struct Registrar : Checked {
    static bool Go(HINSTANCE i) { return RegisterClassOnce(i, L"QuorvelHookCheck"); }
  };
  return Registrar::Go(instance);
}

}  // namespace quorvel::win
