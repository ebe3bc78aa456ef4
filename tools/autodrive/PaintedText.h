#pragma once
// Labels that a window paints itself have no window to ask for their text. The text is
// rendered here with the same font on the window's own background and searched for in a
// capture of the window's client area.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace quorvel::autodrive {

struct Pixels {
  int width = 0, height = 0;
  std::vector<DWORD> data;  // 0x00RRGGBB, top-down
  DWORD at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};

// The client area of `hwnd` as it is on the screen.
Pixels CaptureClient(HWND hwnd);
DWORD MostCommonColour(const Pixels& p);
// The text drawn in black on `background`, cropped to its ink.
Pixels RenderText(const std::wstring& text, const std::wstring& face, double points, int weight, DWORD background);
// Where the template lies in the capture (ink pixels compared, 3% of them may differ).
std::optional<POINT> FindTemplate(const Pixels& hay, const Pixels& needle, DWORD background);
// A 32-bit top-down BMP file.
void WriteBmp(const Pixels& shot, const std::wstring& path);

}  // namespace quorvel::autodrive
