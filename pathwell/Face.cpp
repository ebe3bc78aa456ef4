#include "Face.h"

#include <array>
#include <string_view>

namespace quorvel::pathwell {
namespace {

// K frame, G ground, B arrow, O folder outline, Y folder, W highlight.
constexpr std::array<std::string_view, kFaceHeight> kRows = {
    "KKKKKKKKKKKKKKKKKKKKKKKK", "KGGGGGGGGGGGGGGGGGGGGGGK", "KGGGGGGGGBBBBBGGGGGGGGGK",
    "KGGGGGGGBGGGGGBBGGGGGGGK", "KGGGGGGBGGGGGGGGBGGGGGGK", "KGGGGGGBGGGGGGGBBBGGGGGK",
    "KGGGGGGGGGGGGGBBBBBGGGGK", "KGGGGGGGGGGGGGGGGGGGGGGK", "KGGOOOOOGGGGGGGGGGGGGGGK",
    "KGOYYYYYOGGGGGGGGGGGGGGK", "KGOYWWWWYOOOOOOOOOOOGGGK", "KGOYWYYYYYYYYYYYYYYOGGGK",
    "KGOYWYYOOOOOOOOOOOOOOOOK", "KGOYWYOYYYYYYYYYYYYYYYOK", "KGOYWOYYYYYYYYYYYYYYYOGK",
    "KGOYYOYYYYYYYYYYYYYYYOGK", "KGOYOYYYYYYYYYYYYYYYOGGK", "KGOYOYYYYYYYYYYYYYYYOGGK",
    "KGOOYYYYYYYYYYYYYYYOGGGK", "KGOOYYYYYYYYYYYYYYYOGGGK", "KGOOOOOOOOOOOOOOOOOOGGGK",
    "KGGGGGGGGGGGGGGGGGGGGGGK", "KKKKKKKKKKKKKKKKKKKKKKKK",
};

constexpr bool RowsFit() {
  for (std::string_view row : kRows) {
    if (row.size() != kFaceWidth) return false;
  }
  return true;
}
static_assert(RowsFit());

}  // namespace

COLORREF FacePixel(int x, int y) {
  switch (kRows[static_cast<size_t>(y)][static_cast<size_t>(x)]) {
    case 'K': return RGB(64, 64, 64);
    case 'B': return RGB(0, 0, 128);
    case 'O': return RGB(128, 128, 0);
    case 'Y': return RGB(255, 255, 0);
    case 'W': return RGB(255, 255, 255);
    default: return RGB(192, 192, 192);
  }
}

void DrawFace(HDC dc, const RECT& bounds) {
  // A 24-bit top-down DIB, rows padded to four bytes.
  constexpr int kStride = (kFaceWidth * 3 + 3) & ~3;
  std::array<BYTE, kStride * kFaceHeight> bits{};
  for (int y = 0; y < kFaceHeight; ++y) {
    for (int x = 0; x < kFaceWidth; ++x) {
      const COLORREF colour = FacePixel(x, y);
      BYTE* pixel = &bits[static_cast<size_t>(y * kStride + x * 3)];
      pixel[0] = GetBValue(colour);
      pixel[1] = GetGValue(colour);
      pixel[2] = GetRValue(colour);
    }
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = kFaceWidth;
  info.bmiHeader.biHeight = -kFaceHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  ::StretchDIBits(dc, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, 0, 0,
                  kFaceWidth, kFaceHeight, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

bool FaceWindow::Register(HINSTANCE instance) {
  win::ClassStyle style;
  style.background = nullptr;  // the face covers the whole window
  return RegisterClassOnce(instance, kClassName, style);
}

LRESULT FaceWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  return DefaultProc(message, wParam, lParam);
}

void FaceWindow::OnPaint(HDC dc, PAINTSTRUCT*) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  DrawFace(dc, client);
}

}  // namespace quorvel::pathwell
