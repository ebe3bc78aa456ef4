#pragma once
// What a window draws, read back without a screen: the window paints its client area into an
// enhanced metafile (WM_PRINTCLIENT, as PrintWindow asks it to), and every text and picture
// it drew is returned with where it was drawn.
#include <windows.h>

#include <string>
#include <vector>

#include "Gdi.h"
#include "Raii.h"

namespace quorvel::testing {

struct DrawnText {
  std::wstring text;
  POINT at{};     // the reference point the text was drawn from, in client pixels
  RECT bounds{};  // the cells it covers, in client pixels
};

struct Drawing {
  std::vector<DrawnText> texts;
  std::vector<RECT> pictures;  // where bitmaps were copied to, in client pixels
};

inline int CALLBACK CollectDrawn(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM context) {
  auto& out = *reinterpret_cast<Drawing*>(context);
  // Bounds in a record are inclusive.
  auto cells = [](const RECTL& r) { return RECT{r.left, r.top, r.right + 1, r.bottom + 1}; };
  switch (record->iType) {
    case EMR_EXTTEXTOUTW: {
      const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
      const auto* characters =
          reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
      out.texts.push_back({std::wstring(characters, text->emrtext.nChars),
                           POINT{text->emrtext.ptlReference.x, text->emrtext.ptlReference.y},
                           cells(text->rclBounds)});
      break;
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_STRETCHDIBITS:
      // Each of these records has its bounds right after the header.
      out.pictures.push_back(cells(reinterpret_cast<const EMRBITBLT*>(record)->rclBounds));
      break;
    default:
      break;
  }
  return 1;
}

inline Drawing DrawingOf(HWND hwnd) {
  Drawing drawing;
  HDC recorder = ::CreateEnhMetaFileW(win::ScopedGetDC(hwnd), nullptr, nullptr, nullptr);
  if (!recorder) return drawing;
  ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(recorder), PRF_CLIENT);
  const win::EnhMetaFile recorded(::CloseEnhMetaFile(recorder));
  if (!recorded) return drawing;
  ::EnumEnhMetaFile(nullptr, recorded.get(), &CollectDrawn, &drawing, nullptr);
  return drawing;
}

inline std::vector<DrawnText> TextsDrawnBy(HWND hwnd) { return DrawingOf(hwnd).texts; }

}  // namespace quorvel::testing
