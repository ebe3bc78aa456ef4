#include "TextBuffer.h"

#include <cwctype>
#include <new>

namespace quorvel {
namespace {

bool IsBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }
bool IsWordChar(wchar_t c) { return c == L'_' || std::iswalnum(static_cast<std::wint_t>(c)); }

// Grows a vector by half again rather than doubling: a text of tens of megabytes then
// never needs much more than itself.
template <typename T>
void MakeRoom(std::vector<T>& v, size_t needed) {
  if (needed <= v.capacity()) return;
  v.reserve(std::max(needed, v.capacity() + v.capacity() / 2));
}

template <typename T>
void GiveBackSpare(std::vector<T>& v) {
  if (v.capacity() > 4096 && v.size() < v.capacity() / 4) v.shrink_to_fit();
}

}  // namespace

void TextBuffer::Reserve(size_t characters, size_t lines) {
  if (characters > std::min(kMaxLength, text_.max_size()) - text_.size() ||
      lines > lineStarts_.max_size() - lineStarts_.size())
    throw std::bad_alloc();
  text_.reserve(text_.size() + characters);
  lineStarts_.reserve(lineStarts_.size() + lines);
}

size_t TextBuffer::Replace(size_t from, size_t to, std::wstring_view text) {
  from = std::min(from, text_.size());
  to = std::clamp(to, from, text_.size());
  const size_t newSize = text_.size() - (to - from) + text.size();
  if (newSize > std::min(kMaxLength, text_.max_size())) throw std::bad_alloc();

  // Everything that may fail comes first, so a failure leaves the text as it was: room for
  // the text, and for the line starts of the lines after the change and of the new text.
  const size_t firstLine = LineOf(from > 0 ? from - 1 : 0);
  size_t newBreaks = 0;
  for (wchar_t c : text) newBreaks += IsBreak(c) ? 1 : 0;
  MakeRoom(text_, newSize);
  MakeRoom(lineStarts_, lineStarts_.size() + newBreaks + 1);

  const bool atEnd = to == text_.size();
  text_.erase(text_.begin() + static_cast<std::ptrdiff_t>(from), text_.begin() + static_cast<std::ptrdiff_t>(to));
  text_.insert(text_.begin() + static_cast<std::ptrdiff_t>(from), text.begin(), text.end());

  // The line holding the character before the change is indexed again from its start: a CR
  // that ended the old text may now be the first half of a CRLF.
  lineStarts_.resize(firstLine + 1);
  const bool growsAtEnd = atEnd && from == to;
  if (!growsAtEnd) widestLine_ = 0;
  IndexFrom(lineStarts_[firstLine]);
  if (!growsAtEnd) RecountWidestLine();
  if (to > from) {
    GiveBackSpare(text_);
    GiveBackSpare(lineStarts_);
  }

  auto shift = [&](size_t p) {
    if (p <= from) return p;
    return p >= to ? p - (to - from) + text.size() : from;
  };
  anchor_ = shift(anchor_);
  caret_ = shift(caret_);
  return firstLine;
}

void TextBuffer::IndexFrom(size_t from) {
  const wchar_t* text = text_.data();
  const size_t n = text_.size();
  size_t lineStart = from;
  for (size_t i = from; i < n; ++i) {
    const wchar_t c = text[i];
    if (!IsBreak(c)) continue;
    widestLine_ = std::max(widestLine_, i - lineStart);
    if (c == L'\r' && i + 1 < n && text[i + 1] == L'\n') ++i;
    lineStart = i + 1;
    lineStarts_.push_back(static_cast<std::uint32_t>(lineStart));
  }
  widestLine_ = std::max(widestLine_, n - lineStart);
}

void TextBuffer::RecountWidestLine() {
  widestLine_ = 0;
  for (size_t line = 0; line < lineStarts_.size(); ++line) widestLine_ = std::max(widestLine_, LineLength(line));
}

size_t TextBuffer::LineOf(size_t position) const {
  const auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), position);
  return static_cast<size_t>(it - lineStarts_.begin()) - 1;
}

size_t TextBuffer::LineEnd(size_t line) const {
  if (line + 1 >= lineStarts_.size()) return text_.size();
  size_t end = lineStarts_[line + 1] - 1;
  if (text_[end] == L'\n' && end > lineStarts_[line] && text_[end - 1] == L'\r') --end;
  return end;
}

size_t TextBuffer::PreviousPosition(size_t position) const {
  if (position == 0) return 0;
  const size_t line = LineOf(position);
  return position == LineStart(line) ? LineEnd(line - 1) : position - 1;
}

size_t TextBuffer::NextPosition(size_t position) const {
  const size_t line = LineOf(position);
  if (position < LineEnd(line)) return position + 1;
  return line + 1 < LineCount() ? LineStart(line + 1) : text_.size();
}

std::pair<size_t, size_t> TextBuffer::WordAt(size_t position) const {
  position = std::min(position, text_.size());
  const size_t line = LineOf(position);
  const size_t start = LineStart(line);
  const size_t end = LineEnd(line);
  size_t from = position;
  size_t to = position;
  if (to < end && IsWordChar(text_[to])) {
    while (from > start && IsWordChar(text_[from - 1])) --from;
    while (to < end && IsWordChar(text_[to])) ++to;
  } else if (to < end) {
    ++to;
  }
  return {from, to};
}

bool TextBuffer::Select(size_t anchor, size_t caret) {
  anchor = std::min(anchor, text_.size());
  caret = std::min(caret, text_.size());
  if (anchor == anchor_ && caret == caret_) return false;
  anchor_ = anchor;
  caret_ = caret;
  return true;
}

}  // namespace quorvel
