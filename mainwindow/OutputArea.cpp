#include "OutputArea.h"

#include <new>

#include "ModuleGenerator.h"

namespace quorvel::OutputArea {
namespace {

TextView& View(HWND area) {
  TextView* view = TextView::FromWindow(area);
  if (!view) throw std::bad_alloc();  // no output area: nothing can be held
  return *view;
}

}  // namespace

void Prepare(HWND) {}

long Length(HWND area) {
  const TextView* view = TextView::FromWindow(area);
  return view ? static_cast<long>(view->Length()) : 0;
}

void Append(HWND area, std::wstring_view text) {
  if (!text.empty()) View(area).Append(text);
}

void ReserveForModule(HWND area, std::uint64_t sourceBytes) {
  // Two hex digits a byte, and per line its call, quotes and line end; a little more for
  // the header, the part procedures and the routines at the end.
  const std::uint64_t lines = ModuleLineCount(sourceBytes);
  const std::uint64_t characters = 2 * sourceBytes + 25 * lines + 64 * 1024;
  if (characters > 0x7FFFFFFE) throw std::bad_alloc();
  View(area).Reserve(static_cast<size_t>(characters), static_cast<size_t>(lines));
}

void TruncateTo(HWND area, long from) {
  if (TextView* view = TextView::FromWindow(area)) view->TruncateTo(from < 0 ? 0 : static_cast<size_t>(from));
}

std::wstring Text(HWND area) {
  const TextView* view = TextView::FromWindow(area);
  return view ? std::wstring(view->Text()) : std::wstring();
}

std::wstring_view SelectAllText(HWND area) {
  TextView* view = TextView::FromWindow(area);
  if (!view) return {};
  view->SetSelection(0, view->Length());
  return view->Text();
}

}  // namespace quorvel::OutputArea
