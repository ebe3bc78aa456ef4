#pragma once
// A form's controls as a table: each row names a control, its class, text, place in twips,
// keyboard order, style, font and tooltip. CreateControls makes the child windows from it.
#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "Raii.h"

namespace quorvel::win {

// The font of a row: face, point size and weight, made for a DPI by CreatePointFont.
struct FontRow {
  const wchar_t* face = nullptr;  // nullptr: the system's message font
  double points = 0;              // 0: the message font's size
  int weight = FW_NORMAL;
  bool underline = false;
  bool fixedPitch = false;  // where the face is missing, the substitute keeps fixed pitch
  bool guiFont = false;     // the system's DEFAULT_GUI_FONT as it is; the fields above do not count
};
Font CreatePointFont(const FontRow& font, int dpi);

// A place in twips: left and top relative to the container, then the size.
struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// One row of a form's control table; written with designated initializers, so a row names
// only what differs from these defaults.
struct ControlRow {
  const wchar_t* name = nullptr;       // the control's name in the program (frmMain's Command1 ...)
  int id = 0;                          // its control identifier
  const wchar_t* className = nullptr;  // window class; nullptr for a label painted on the form itself
  const wchar_t* text = nullptr;       // caption or start text
  int container = -1;                  // index of the containing row, -1 for the form
  TwipsRect place;
  int tabIndex = -1;     // keyboard order; -1 when it takes no focus
  bool tabStop = true;   // false: keeps its place in the order, but Tab passes it by
  DWORD style = 0;       // besides WS_CHILD | WS_VISIBLE
  DWORD exStyle = 0;
  FontRow font;                       // face nullptr: the form's standard font
  const wchar_t* tooltip = nullptr;  // nullptr: none
};

// Absolute rectangle of a row in client pixels (containers' offsets added).
RECT ControlRect(std::span<const ControlRow> table, size_t index, int dpi);

// The child windows made from a table, in table order (nullptr for labels), with their fonts
// (one per row, labels included, so the owner paints a label with fonts[row]).
struct CreatedControls {
  std::vector<HWND> windows;
  std::vector<Font> fonts;
  HWND tooltip = nullptr;
};
// Creates every windowed row as a child of `parent`, sets its font and adds the tooltips.
// Sibling order follows tabIndex, so Tab does; group boxes (frames) go beneath everything,
// since a frame lies beneath the controls it holds, and erase their own inside. Rows with a
// tabIndex get WS_TABSTOP unless tabStop is off or they are static texts or frames; every
// control gets WS_CLIPSIBLINGS. createParams, when given, holds each row's lpParam for
// CreateWindowEx (the object of a control of ours).
CreatedControls CreateControls(HWND parent, HINSTANCE instance, std::span<const ControlRow> table,
                               const FontRow& standardFont, std::span<void* const> createParams = {});

// Reading and setting the controls made.
std::wstring WindowText(HWND control);
bool IsChecked(HWND button);
void SetChecked(HWND button, bool checked);

}  // namespace quorvel::win
