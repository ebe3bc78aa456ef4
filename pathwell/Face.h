#pragma once
// The control's design-time face: a 24 x 23 open yellow folder under a curved arrow, on grey
// in a dark frame.
#include <windows.h>

namespace quorvel::pathwell {

inline constexpr int kFaceWidth = 24;
inline constexpr int kFaceHeight = 23;

// Colour (COLORREF) of one face pixel; x, y from the top left.
COLORREF FacePixel(int x, int y);
// Draws the face stretched over `bounds`.
void DrawFace(HDC dc, const RECT& bounds);

}  // namespace quorvel::pathwell
