#pragma once
// Checks of a form's layout as a user sees it: every control inside the form, none covering
// part of another.
#include <windows.h>

#include <string>
#include <vector>

#include "ControlTable.h"
#include "Text.h"

namespace quorvel::testing {

// A window's rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

inline bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// True when a and b share more than `edge` pixels across both ways: a strip that narrow is a
// shared edge (twips round to whole pixels), not one control covering another.
inline bool Overlap(const RECT& a, const RECT& b, int edge = 0) {
  RECT both;
  if (!::IntersectRect(&both, &a, &b)) return false;
  return both.right - both.left > edge && both.bottom - both.top > edge;
}

inline std::string Describe(HWND window) {
  return "control " + std::to_string(::GetDlgCtrlID(window)) + " \"" + win::Utf8(win::WindowText(window)) + "\"";
}

// What is wrong with the layout of `form`'s child windows that have WS_VISIBLE: one outside
// the client area or empty, or two overlapping unless one holds the other whole (a frame and
// its contents). Empty when all is well.
inline std::vector<std::string> ChildLayoutFaults(HWND form, int edge) {
  std::vector<HWND> children;
  for (HWND w = ::GetWindow(form, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
    if (::GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) children.push_back(w);
  RECT client;
  ::GetClientRect(form, &client);
  std::vector<std::string> faults;
  for (size_t i = 0; i < children.size(); ++i) {
    const RECT r = RectInParent(children[i]);
    if (::IsRectEmpty(&r)) faults.push_back(Describe(children[i]) + " is empty");
    if (!Contains(client, r)) faults.push_back(Describe(children[i]) + " reaches outside the form");
    for (size_t j = i + 1; j < children.size(); ++j) {
      const RECT o = RectInParent(children[j]);
      if (Overlap(r, o, edge) && !Contains(r, o) && !Contains(o, r))
        faults.push_back(Describe(children[i]) + " overlaps " + Describe(children[j]));
    }
  }
  return faults;
}

inline std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\n";
  return out;
}

}  // namespace quorvel::testing
