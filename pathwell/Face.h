#pragma once
// The control's design-time face: a 24 x 23 open yellow folder under a curved arrow, on grey
// in a dark frame.
#include <windows.h>

#include "Window.h"

namespace quorvel::pathwell {

inline constexpr int kFaceWidth = 24;
inline constexpr int kFaceHeight = 23;

// Colour (COLORREF) of one face pixel; x, y from the top left.
COLORREF FacePixel(int x, int y);
// Draws the face stretched over `bounds`.
void DrawFace(HDC dc, const RECT& bounds);

// The window that shows the face while the control is in place at design time.
class FaceWindow : public win::WindowBase<FaceWindow> {
 public:
  static constexpr wchar_t kClassName[] = L"PathwellFace";
  // Registers the class for the library's module; false when Windows refuses.
  static bool Register(HINSTANCE instance);

 private:
  friend class win::WindowBase<FaceWindow>;
  static constexpr bool kMadeByWindow = true;

  FaceWindow() = default;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnPaint(HDC dc, PAINTSTRUCT* paint) override;
};

}  // namespace quorvel::pathwell
