#include "TextView.h"

#include <algorithm>
#include <cstring>

#include "Raii.h"

// The messages an edit control answers, and the changes of the text and the selection.

namespace quorvel {

std::optional<LRESULT> TextView::OnEditMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETTEXT:
      SetText(lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
      return TRUE;
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(buffer_.Length());
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      const size_t n = std::min(buffer_.Length(), static_cast<size_t>(wParam) - 1);
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      std::memcpy(out, buffer_.Text().data(), n * sizeof(wchar_t));
      out[n] = L'\0';
      return static_cast<LRESULT>(n);
    }
    case EM_GETSEL: {
      const size_t start = buffer_.SelectionStart();
      const size_t end = buffer_.SelectionEnd();
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
      return start > 0xFFFF || end > 0xFFFF ? -1 : MAKELRESULT(start, end);
    }
    case EM_SETSEL: {
      // -1 as the start drops the selection; a negative or too large end means the end.
      const auto start = static_cast<int>(wParam);
      const auto end = static_cast<int>(lParam);
      if (start == -1) {
        SetSelection(buffer_.Caret(), buffer_.Caret());
      } else {
        const size_t last = buffer_.Length();
        auto clamp = [last](int v) { return v < 0 ? last : std::min(static_cast<size_t>(v), last); };
        SetSelection(clamp(start), clamp(end));
      }
      return 0;
    }
    case EM_REPLACESEL:
      ReplaceSelection(lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
      return 0;
    case EM_GETLINECOUNT:
      return static_cast<LRESULT>(buffer_.LineCount());
    case EM_LINEINDEX: {
      const size_t line = static_cast<int>(wParam) < 0 ? buffer_.LineOf(buffer_.Caret()) : static_cast<size_t>(wParam);
      return line < buffer_.LineCount() ? static_cast<LRESULT>(buffer_.LineStart(line)) : -1;
    }
    case EM_LINELENGTH: {
      const size_t at = static_cast<int>(wParam) < 0 ? buffer_.Caret() : std::min<size_t>(wParam, buffer_.Length());
      return static_cast<LRESULT>(buffer_.LineLength(buffer_.LineOf(at)));
    }
    case EM_LINEFROMCHAR: {
      const size_t at =
          static_cast<int>(wParam) < 0 ? buffer_.SelectionStart() : std::min<size_t>(wParam, buffer_.Length());
      return static_cast<LRESULT>(buffer_.LineOf(at));
    }
    case EM_GETFIRSTVISIBLELINE:
      return static_cast<LRESULT>(topLine_);
    case EM_LINESCROLL:
      ScrollTo(static_cast<std::int64_t>(topLine_) + static_cast<int>(lParam),
               static_cast<std::int64_t>(xOffset_) +
                   static_cast<std::int64_t>(static_cast<int>(wParam)) * layout_.AverageWidth());
      return TRUE;
    case EM_SCROLL: {
      const size_t before = topLine_;
      OnScroll(SB_VERT, static_cast<int>(wParam));
      return MAKELRESULT(static_cast<WORD>(topLine_ - before), TRUE);
    }
    case EM_SCROLLCARET:
      ScrollCaretIntoView();
      return TRUE;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(TextBuffer::kMaxLength);
    case EM_SETLIMITTEXT:
    case EM_SETREADONLY:  // always read-only
    case EM_EMPTYUNDOBUFFER:
      return TRUE;
    case EM_GETMODIFY:
    case EM_CANUNDO:
    case EM_UNDO:
    case WM_UNDO:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
      return 0;
    case WM_COPY:
      CopySelection();
      return 0;
    default:
      return std::nullopt;
  }
}

void TextView::Changed(size_t firstLine) { InvalidateLines(firstLine, SIZE_MAX); }

void TextView::SetText(std::wstring_view text) {
  buffer_.Replace(0, buffer_.Length(), text);
  buffer_.Select(0, 0);
  topLine_ = 0;
  xOffset_ = 0;
  ::InvalidateRect(hwnd_, nullptr, FALSE);
  UpdateScrollBars();
  PlaceCaret();
}

void TextView::ReplaceSelection(std::wstring_view text) {
  const size_t from = buffer_.SelectionStart();
  Changed(buffer_.Replace(from, buffer_.SelectionEnd(), text));
  buffer_.Select(from + text.size(), from + text.size());
  ScrollCaretIntoView();
}

void TextView::Append(std::wstring_view text) {
  if (text.empty()) return;
  Changed(buffer_.Replace(buffer_.Length(), buffer_.Length(), text));
  UpdateScrollBars();
}

void TextView::TruncateTo(size_t from) {
  if (from >= buffer_.Length()) return;
  Changed(buffer_.Replace(from, buffer_.Length(), {}));
  UpdateScrollBars();
  PlaceCaret();
}

void TextView::SetSelection(size_t anchor, size_t caret) {
  const size_t oldLow = buffer_.SelectionStart();
  const size_t oldHigh = buffer_.SelectionEnd();
  if (!buffer_.Select(anchor, caret)) return;
  InvalidateLines(buffer_.LineOf(std::min(oldLow, buffer_.SelectionStart())),
                  buffer_.LineOf(std::max(oldHigh, buffer_.SelectionEnd())));
  PlaceCaret();
}

bool TextView::CopySelection() {
  const std::wstring_view selected = buffer_.Selected();
  if (selected.empty() || !::OpenClipboard(hwnd_)) return false;
  bool copied = false;
  if (win::GlobalMemory memory{::GlobalAlloc(GMEM_MOVEABLE, (selected.size() + 1) * sizeof(wchar_t))}) {
    auto* out = static_cast<wchar_t*>(::GlobalLock(memory.get()));
    std::memcpy(out, selected.data(), selected.size() * sizeof(wchar_t));
    out[selected.size()] = L'\0';
    ::GlobalUnlock(memory.get());
    ::EmptyClipboard();
    copied = ::SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr;
    if (copied) memory.release();  // the clipboard owns it now
  }
  ::CloseClipboard();
  return copied;
}

}  // namespace quorvel
