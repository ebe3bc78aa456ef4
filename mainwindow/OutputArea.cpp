#include "OutputArea.h"

#include <richedit.h>

#include <climits>

namespace quorvel::OutputArea {
namespace {

std::wstring GetText(HWND area, DWORD flags) {
  GETTEXTLENGTHEX length{GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, 1200};
  const LRESULT n = ::SendMessageW(area, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  GETTEXTEX get{};
  get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  get.flags = flags | GT_USECRLF;
  get.codepage = 1200;  // UTF-16
  const LRESULT got = ::SendMessageW(area, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                     reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

}  // namespace

void Prepare(HWND area) {
  ::SendMessageW(area, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
  ::SendMessageW(area, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  ::SendMessageW(area, EM_SETUNDOLIMIT, 0, 0);
  ::SendMessageW(area, EM_SETTARGETDEVICE, 0, 1);  // no wrap: every line stays one line
}

long Length(HWND area) {
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
  return static_cast<long>(::SendMessageW(area, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

void Append(HWND area, std::wstring_view text) {
  if (text.empty()) return;
  const long end = Length(area);
  CHARRANGE range{end, end};
  ::SendMessageW(area, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  const std::wstring piece(text);
  ::SendMessageW(area, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
}

void TruncateTo(HWND area, long from) {
  CHARRANGE range{from, -1};
  ::SendMessageW(area, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  ::SendMessageW(area, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

std::wstring Text(HWND area) { return GetText(area, GT_DEFAULT); }

std::wstring SelectAllText(HWND area) {
  CHARRANGE all{0, -1};
  ::SendMessageW(area, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  return GetText(area, GT_SELECTION);
}

}  // namespace quorvel::OutputArea
