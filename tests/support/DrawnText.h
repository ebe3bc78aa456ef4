#pragma once
// What a window draws as text, read back without a screen: the window paints its client area
// into an enhanced metafile (WM_PRINTCLIENT, as PrintWindow asks it to), and every text
// record is returned with where it was drawn.
#include <windows.h>

#include <string>
#include <vector>

namespace quorvel::testing {

struct DrawnText {
  std::wstring text;
  POINT at{};     // the reference point the text was drawn from, in client pixels
  RECT bounds{};  // the cells it covers, in client pixels
};

inline std::vector<DrawnText> TextsDrawnBy(HWND hwnd) {
  std::vector<DrawnText> found;
  HDC screen = ::GetDC(hwnd);
  HDC recorder = ::CreateEnhMetaFileW(screen, nullptr, nullptr, nullptr);
  ::ReleaseDC(hwnd, screen);
  if (!recorder) return found;
  ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(recorder), PRF_CLIENT);
  HENHMETAFILE recorded = ::CloseEnhMetaFile(recorder);
  if (!recorded) return found;
  auto collect = [](HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM context) -> int {
    if (record->iType != EMR_EXTTEXTOUTW) return 1;
    const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
    const auto* characters =
        reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
    DrawnText drawn;
    drawn.text.assign(characters, text->emrtext.nChars);
    drawn.at = POINT{text->emrtext.ptlReference.x, text->emrtext.ptlReference.y};
    drawn.bounds = RECT{text->rclBounds.left, text->rclBounds.top, text->rclBounds.right + 1,
                        text->rclBounds.bottom + 1};
    reinterpret_cast<std::vector<DrawnText>*>(context)->push_back(std::move(drawn));
    return 1;
  };
  ::EnumEnhMetaFile(nullptr, recorded, collect, &found, nullptr);
  ::DeleteEnhMetaFile(recorded);
  return found;
}

}  // namespace quorvel::testing
