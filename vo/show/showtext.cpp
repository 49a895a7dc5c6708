#include "vo/show/showtext.h"

#include <algorithm>
#include <cstdio>

// The TOML library reaches undefined behaviour on some characters above
// ASCII wherever it looks for white space, and where it looks depends on how
// it recovers from a mistake; so it never sees one. A wrong guess here about
// where a string lies can only turn a broken file into another broken one.

namespace {

// The length of the UTF-8 character at t[i], with its code point in *cp; 0
// when the bytes there are no character (cut short, overlong, a surrogate,
// past U+10FFFF or a stray continuation byte).
size_t Utf8At(const std::string& t, size_t i, char32_t* cp) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(t[k]); };
  const unsigned char b = byte(i);
  const size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
  if (n == 0 || b > 0xF4 || i + n > t.size()) return 0;
  char32_t c = b & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  static const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  *cp = c;
  return n;
}

std::string Escape(char32_t c) {
  char s[16];
  std::snprintf(s, sizeof s, c < 0x10000 ? "\\u%04X" : "\\U%08X", static_cast<unsigned>(c));
  return s;
}

bool IsControl(unsigned char c) { return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F; }

const char ByteOrderMark[] = "\xEF\xBB\xBF";

sShowPlace PlaceAt(const std::string& t, size_t at) {
  const auto begin = t.begin(), end = t.begin() + static_cast<std::ptrdiff_t>(at);
  const int line = 1 + static_cast<int>(std::count(begin, end, '\n'));
  auto start = std::find(std::make_reverse_iterator(end), std::make_reverse_iterator(begin), '\n').base();
  if (start == begin && at >= 3 && t.compare(0, 3, ByteOrderMark) == 0) start += 3;
  const int column =
      1 + static_cast<int>(std::count_if(start, end, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
  return {line, column};
}

// The literal string opening at t[at]: where it ends and whether it is closed.
struct sLiteral {
  size_t Open, End;
  bool Closed;
};

sLiteral LiteralAt(const std::string& t, size_t at) {
  if (t.compare(at, 3, "'''") != 0) {
    const size_t end = t.find_first_of("'\n", at + 1);
    if (end == std::string::npos) return {1, t.size(), false};
    return t[end] == '\'' ? sLiteral{1, end + 1, true} : sLiteral{1, end, false};
  }
  const size_t end = t.find("'''", at + 3);
  if (end == std::string::npos) return {3, t.size(), false};
  size_t quotes = end + 3;  // up to two quotes more belong to the text
  while (quotes < t.size() && quotes < end + 5 && t[quotes] == '\'') ++quotes;
  return {3, quotes, true};
}

}  // namespace

bool ShowTextToAscii(const std::string& t, std::string* ascii, std::vector<sTextWidening>* widenings,
                     sShowPlace* place, std::string* what) {
  std::string& out = *ascii;
  out.clear();
  out.reserve(t.size());
  widenings->clear();
  size_t scanned = 0, lineStart = 0;
  int line = 1;
  // Notes that what was written from out[at] on is `extra` columns wider.
  auto widen = [&](size_t at, size_t extra) {
    for (; scanned < at; ++scanned)
      if (out[scanned] == '\n') line++, lineStart = scanned + 1;
    widenings->push_back({line, static_cast<int>(at - lineStart) + 1, static_cast<int>(extra)});
  };
  auto fail = [&](size_t at, const char* text) {
    *place = PlaceAt(t, at);
    *what = text;
    return false;
  };
  for (size_t i = 0; i < t.size(); ++i)
    if (IsControl(static_cast<unsigned char>(t[i])))
      return fail(i, "a control character; a show file holds none but tab and line ends");

  enum { Plain, Comment, Basic, LongBasic } state = Plain;
  size_t i = t.compare(0, 3, ByteOrderMark) == 0 ? 3 : 0;
  // Appends the character at t[i] as `wide` turns a character above ASCII.
  auto put = [&](auto wide) {
    const unsigned char c = static_cast<unsigned char>(t[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      return true;
    }
    char32_t cp;
    const size_t n = Utf8At(t, i, &cp);
    if (n == 0) return fail(i, "bytes that are not UTF-8");
    const std::string w = wide(cp);
    out += w;
    if (w.size() > 1) widen(out.size() - w.size(), w.size() - 1);
    i += n;
    return true;
  };
  const auto mark = [](char32_t) { return std::string("?"); };

  while (i < t.size()) {
    const char c = t[i];
    switch (state) {
      case Plain:
        if (static_cast<unsigned char>(c) >= 0x80)
          return fail(i, "a character that is not ASCII outside a string or comment");
        if (c == '#') {
          state = Comment;
        } else if (c == '"') {
          const bool triple = t.compare(i, 3, "\"\"\"") == 0;
          state = triple ? LongBasic : Basic;
          out.append(t, i, triple ? 3 : 1);
          i += triple ? 3 : 1;
          break;
        } else if (c == '\'') {
          const sLiteral l = LiteralAt(t, i);
          if (std::all_of(t.begin() + i, t.begin() + l.End, [](char b) { return static_cast<unsigned char>(b) < 0x80; })) {
            out.append(t, i, l.End - i);
            i = l.End;
            break;
          }
          // Holding a character above ASCII: the same text as a basic string.
          const std::string quotes(l.Open, '"');
          const size_t end = l.End - (l.Closed ? l.Open : 0);
          out += quotes;
          for (i += l.Open; i < end;) {
            if (t[i] == '\\' || t[i] == '"') widen(out.size(), 1), out += '\\';
            if (!put(Escape)) return false;
          }
          if (l.Closed) out += quotes;
          i = l.End;
          break;
        }
        out += c;
        ++i;
        break;
      case Comment:
        if (c == '\n') state = Plain;
        if (!put(mark)) return false;
        break;
      case Basic:
      case LongBasic:
        if (c == '\\') {
          out += '\\';
          ++i;
          // The escaped character; one above ASCII makes no escape, so the library is shown one it refuses.
          if (i < t.size() && (t[i] != '\n' || state == LongBasic)) {
            if (static_cast<unsigned char>(t[i]) < 0x80) out += t[i++];
            else if (!put(mark)) return false;
          }
          break;
        }
        if (state == Basic && (c == '"' || c == '\n')) state = Plain;
        if (state == LongBasic && t.compare(i, 3, "\"\"\"") == 0) {
          // Up to two quotes more belong to the text.
          size_t n = 3;
          while (n < 5 && i + n < t.size() && t[i + n] == '"') ++n;
          out.append(n, '"');
          i += n;
          state = Plain;
          break;
        }
        if (!put(Escape)) return false;
        break;
    }
  }
  return true;
}

sShowPlace ShowFilePlace(const std::vector<sTextWidening>& widenings, sShowPlace place) {
  // The place's line, right to left, so each widening's column still holds when it is met.
  const auto line = std::equal_range(widenings.begin(), widenings.end(), sTextWidening{place.Line, 0, 0},
                                     [](const sTextWidening& a, const sTextWidening& b) { return a.Line < b.Line; });
  for (auto w = std::make_reverse_iterator(line.second); w != std::make_reverse_iterator(line.first); ++w)
    if (place.Column > w->Column) place.Column -= std::min(w->Extra, place.Column - w->Column);
  return place;
}
