#include "PaintedText.h"

#include <algorithm>
#include <map>

#include "Arguments.h"
#include "Gdi.h"
#include "Raii.h"

namespace quorvel::autodrive {
namespace {

class DibSection {
 public:
  DibSection(HDC compatible, int width, int height) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bitmap_.reset(::CreateDIBSection(compatible, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0));
    dc_.reset(::CreateCompatibleDC(compatible));
    if (!bitmap_ || !dc_) Fail(L"cannot create a bitmap for capturing");
    old_ = ::SelectObject(dc_.get(), bitmap_.get());
  }
  // The bitmap is selected out before the DC and then the bitmap go.
  ~DibSection() { ::SelectObject(dc_.get(), old_); }
  DibSection(const DibSection&) = delete;
  DibSection& operator=(const DibSection&) = delete;
  HDC dc() const { return dc_.get(); }
  Pixels Read() const {
    ::GdiFlush();
    Pixels p{width_, height_, {}};
    const auto* bits = static_cast<const DWORD*>(bits_);
    p.data.assign(bits, bits + static_cast<size_t>(width_) * height_);
    for (DWORD& v : p.data) v &= 0xFFFFFF;
    return p;
  }

 private:
  int width_, height_;
  win::Bitmap bitmap_;
  void* bits_ = nullptr;
  win::Dc dc_;
  HGDIOBJ old_ = nullptr;
};

bool Differ(DWORD a, DWORD b) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > 48 || d < -48) return true;
  }
  return false;
}

}  // namespace

Pixels CaptureClient(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  POINT origin{0, 0};
  ::ClientToScreen(hwnd, &origin);
  win::ScopedGetDC screen(nullptr);
  DibSection dib(screen, r.right, r.bottom);
  ::BitBlt(dib.dc(), 0, 0, r.right, r.bottom, screen, origin.x, origin.y, SRCCOPY);
  return dib.Read();
}

DWORD MostCommonColour(const Pixels& p) {
  std::map<DWORD, size_t> counts;
  for (DWORD v : p.data) ++counts[v];
  DWORD best = 0;
  size_t most = 0;
  for (const auto& [colour, n] : counts)
    if (n > most) best = colour, most = n;
  return best;
}

Pixels RenderText(const std::wstring& text, const std::wstring& face, double points, int weight, DWORD background) {
  win::ScopedGetDC screen(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  win::Font font(::CreateFontW(-static_cast<int>(points * dpi / 72.0 + 0.5), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
  DibSection dib(screen, 1200, 120);
  const COLORREF bg = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
  win::Brush brush(::CreateSolidBrush(bg));
  RECT all{0, 0, 1200, 120};
  ::FillRect(dib.dc(), &all, brush.get());
  {
    win::ScopedSelectObject selected(dib.dc(), font.get());
    ::SetBkMode(dib.dc(), TRANSPARENT);
    ::SetTextColor(dib.dc(), RGB(0, 0, 0));
    RECT box{8, 8, 1192, 112};
    ::DrawTextW(dib.dc(), text.c_str(), static_cast<int>(text.size()), &box,
                DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  }
  const Pixels full = dib.Read();
  int left = full.width, top = full.height, right = -1, bottom = -1;
  for (int y = 0; y < full.height; ++y)
    for (int x = 0; x < full.width; ++x)
      if (Differ(full.at(x, y), background)) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  if (right < 0) Fail(L"the text \"" + text + L"\" renders to nothing");
  Pixels t{right - left + 1, bottom - top + 1, {}};
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) t.data.push_back(full.at(x, y));
  return t;
}

std::optional<POINT> FindTemplate(const Pixels& hay, const Pixels& needle, DWORD background) {
  std::vector<std::pair<POINT, DWORD>> ink;
  for (int y = 0; y < needle.height; ++y)
    for (int x = 0; x < needle.width; ++x)
      if (Differ(needle.at(x, y), background)) ink.push_back({POINT{x, y}, needle.at(x, y)});
  const size_t allowed = ink.size() * 3 / 100;
  for (int y = 0; y + needle.height <= hay.height; ++y)
    for (int x = 0; x + needle.width <= hay.width; ++x) {
      size_t wrong = 0;
      for (const auto& [pt, colour] : ink)
        if (Differ(hay.at(x + pt.x, y + pt.y), colour) && ++wrong > allowed) break;
      if (wrong <= allowed) {
        // The ground around the ink must be ground too, or "1" would be found inside "10".
        size_t stray = 0;
        for (int ty = 0; ty < needle.height; ++ty)
          for (int tx = 0; tx < needle.width; ++tx)
            if (!Differ(needle.at(tx, ty), background) && Differ(hay.at(x + tx, y + ty), background)) ++stray;
        if (stray <= allowed) return POINT{x, y};
      }
    }
  return std::nullopt;
}

void WriteBmp(const Pixels& shot, const std::wstring& path) {
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = shot.width;
  info.biHeight = -shot.height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  const DWORD bytes = static_cast<DWORD>(shot.data.size() * sizeof(DWORD));
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + bytes;
  win::Handle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!out) Fail(L"cannot write " + path);
  DWORD written = 0;
  ::WriteFile(out.get(), &file, sizeof file, &written, nullptr);
  ::WriteFile(out.get(), &info, sizeof info, &written, nullptr);
  ::WriteFile(out.get(), shot.data.data(), bytes, &written, nullptr);
}

}  // namespace quorvel::autodrive
