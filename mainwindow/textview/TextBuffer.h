#pragma once
// The text behind the output area: plain text of any length, held exactly as given (CRLF, a
// lone LF or a lone CR each end a line and stay in the text as they came), an index of where
// each line starts, and a selection. A text of millions of lines costs about one character
// unit a character and four bytes a line. Positions count characters from 0; a line end
// counts as one position when moving, however many characters it has.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel {

class TextBuffer {
 public:
  // Positions live in 32 bits in the line index and in the edit messages.
  static constexpr size_t kMaxLength = 0x7FFFFFFE;

  std::wstring_view Text() const { return {text_.data(), text_.size()}; }
  size_t Length() const { return text_.size(); }

  // Replaces [from, to) with `text` (both clamped to the text); the selection keeps its
  // place in the text around the change. Returns the first line whose text changed. Throws
  // std::bad_alloc when memory runs out or the text would grow past kMaxLength, and then
  // leaves everything as it was.
  size_t Replace(size_t from, size_t to, std::wstring_view text);
  // Makes room for that much more text in advance, so a long run of appends neither copies
  // the text again nor fails half way for want of memory; std::bad_alloc when it cannot.
  void Reserve(size_t characters, size_t lines);

  size_t LineCount() const { return lineStarts_.size(); }
  size_t LineStart(size_t line) const { return lineStarts_[line]; }
  // Where the line's characters end, before its line end.
  size_t LineEnd(size_t line) const;
  size_t LineLength(size_t line) const { return LineEnd(line) - LineStart(line); }
  std::wstring_view Line(size_t line) const { return Text().substr(LineStart(line), LineLength(line)); }
  size_t LineOf(size_t position) const;
  // Characters in the longest line.
  size_t WidestLine() const { return widestLine_; }

  // The position one character before or after `position`, a line end counting as one.
  size_t PreviousPosition(size_t position) const;
  size_t NextPosition(size_t position) const;
  // The word (letters, digits and '_') around `position` within its line; the one character
  // there when it is no word character; nothing at a line's end.
  std::pair<size_t, size_t> WordAt(size_t position) const;

  // anchor: where a selection began; caret: where it ends (either may be the smaller).
  size_t Anchor() const { return anchor_; }
  size_t Caret() const { return caret_; }
  size_t SelectionStart() const { return std::min(anchor_, caret_); }
  size_t SelectionEnd() const { return std::max(anchor_, caret_); }
  std::wstring_view Selected() const { return Text().substr(SelectionStart(), SelectionEnd() - SelectionStart()); }
  // Both clamped to the text; false when the selection was already that.
  bool Select(size_t anchor, size_t caret);

 private:
  // Indexes the line starts after `from`, which must be the start of a line.
  void IndexFrom(size_t from);
  void RecountWidestLine();

  std::vector<wchar_t> text_;
  std::vector<std::uint32_t> lineStarts_{0};
  size_t widestLine_ = 0;
  size_t anchor_ = 0;
  size_t caret_ = 0;
};

}  // namespace quorvel
