// The layout reader itself (the text it reads: gui/layout.h). It turns a
// layout text into records, in the order the text gives them, that
// ApplyLayout then applies; it runs the same whether the text comes at run
// time (ReadLayout) or is known at compile time (CompiledLayout: the
// program carries the records, not the reader, and a fault in the text is
// a compile error).
//
// Records, one after another:
//   object:   kObjectRecord and line, name, class
//   property: its value's kind (TValue::Kind) and line, name, value
//   end:      kEndRecord (of the innermost open object)
// A record's first character holds its tag in the low 3 bits and, above,
// the count of lines since the record before (the first record's: since
// line 1) when below kFarLine; else kFarLine, and the count less kFarLine
// follows. A text is a count: twice its length, then its
// characters; or, odd, twice the place of the same text earlier, plus one
// (a sink may put a text once and point at it after). Values:
//   Int:  the integer, its sign in the lowest bit (0, -1, 1, -2 ... as
//         0, 1, 2, 3 ...); Float: the double's 8 bytes, low first, then the
//         text as written; String, Ident: the text; Set: the member texts,
//         then an empty text.
// A count is 7 bits a byte, low first, the top bit set on all but the last.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "gui/layout.h"

namespace gui::layout_detail {

// Objects nest at most this deep below the outer one.
inline constexpr int kMaxDepth = 64;

inline constexpr unsigned char kObjectRecord = 5;
inline constexpr unsigned char kEndRecord = 6;
inline constexpr int kFarLine = 31;
static_assert(kEndRecord < 8 && kFarLine << 3 == 248, "a tag and a line share one character");
static_assert(static_cast<int>(TValue::Kind::Set) < kObjectRecord,
              "a property record's tag is its value's kind");

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsLetter(char c) { return (c | 32) >= 'a' && (c | 32) <= 'z'; }
constexpr bool IsHexDigit(char c) { return IsDigit(c) || ((c | 32) >= 'a' && (c | 32) <= 'f'); }
constexpr bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The value of a digit run (at most 18 decimal or 8 hexadecimal digits, so
// it cannot overflow). The C library's converters would drag the locale-
// aware, any-format number machinery into every program with a layout.
constexpr int64_t DigitsValue(std::string_view digits, int base) {
  int64_t v = 0;
  for (char c : digits) v = v * base + (IsDigit(c) ? c - '0' : (c | 32) - 'a' + 10);
  return v;
}

// A decimal real as a layout writes it: digits, optionally "." and digits,
// optionally "e" or "E", a sign and digits. Up to 19 significant digits
// count; when they fit 53 bits and the power of ten is at most 22 (the
// layouts' own values, such as 2.094395102393196), both factors are exact
// doubles and the one multiplication or division rounds correctly.
// Otherwise the result may be off by a few units in the last place.
constexpr double DecimalValue(std::string_view text) {
  uint64_t mantissa = 0;
  int significant = 0;
  int exponent = 0;
  size_t i = 0;
  bool fraction = false;
  for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
    if (text[i] == '.') {
      fraction = true;
      continue;
    }
    const int d = text[i] - '0';
    if (significant < 19) {
      if (mantissa != 0 || d != 0) ++significant;
      mantissa = mantissa * 10 + static_cast<uint64_t>(d);
      if (fraction) --exponent;
    } else if (!fraction) {
      ++exponent;  // a digit beyond the precision kept, before the point
    }
  }
  if (i < text.size()) {
    ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    int written = 0;
    for (; i < text.size(); ++i) written = std::min(written * 10 + (text[i] - '0'), 100000);
    exponent += negative ? -written : written;
  }
  double value = static_cast<double>(mantissa);
  if (mantissa == 0) return 0;
  // Powers of ten up to 1e22 are exact doubles.
  double power = 1;
  int steps = exponent < 0 ? -exponent : exponent;
  for (double factor = 10; steps != 0 && power < 1e308; steps >>= 1, factor *= factor) {
    if (steps & 1) power *= factor;
  }
  return exponent < 0 ? value / power : value * power;
}

// `v` as a count into `out` (10 characters at most); returns their number.
constexpr size_t WriteCount(uint64_t v, char* out) {
  size_t n = 0;
  for (; v > 127; v >>= 7) out[n++] = static_cast<char>(v | 128);
  out[n++] = static_cast<char>(v);
  return n;
}

// Where and why the reading stopped: the message is `what`, `detail` and
// `after` one after another (views of literals or of the text).
struct Fault {
  int line = 0;
  std::string_view what, detail, after;
};

struct Token {
  enum class Kind { End, Ident, Int, Float, String, Symbol };
  Kind kind = Kind::End;
  std::string_view text;  // Ident name, Float as written, String as quoted
  int64_t integer = 0;
  double real = 0;
  char symbol = 0;
  int line = 1;
};

// Reads a layout text into records put into `out`, which has size(),
// Insert(at, characters, count) and Share(start) (the text from `start` on
// may become a pointer to the same text earlier).
template <class Sink>
class Reader {
 public:
  constexpr Reader(std::string_view text, Sink& out) : text_(text), out_(out) {}

  // False at a fault (LastFault()); the records complete before it are the
  // first CompleteSize() characters put out.
  constexpr bool Run() {
    if (!Advance() || !ReadObject(0)) return false;
    if (tok_.kind != Token::Kind::End) return Fail("text after the last end");
    return true;
  }
  constexpr const Fault& LastFault() const { return fault_; }
  constexpr size_t CompleteSize() const { return complete_; }

 private:
  constexpr bool Fail(std::string_view what, std::string_view detail = {},
                      std::string_view after = {}) {
    fault_ = {tok_.line, what, detail, after};
    return false;
  }

  static constexpr bool IdentChar(char c) {
    return IsLetter(c) || IsDigit(c) || c == '_' || c == '.';
  }
  constexpr bool At(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
  constexpr bool AtDigit(size_t at) const { return at < text_.size() && IsDigit(text_[at]); }

  // Reads the next token into tok_.
  constexpr bool Advance() {
    for (;;) {
      while (pos_ < text_.size() && IsSpace(text_[pos_])) {
        if (text_[pos_] == '\n') ++line_;
        ++pos_;
      }
      if (pos_ + 1 < text_.size() && text_[pos_] == '/' && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
        continue;
      }
      break;
    }
    tok_ = Token{};
    tok_.line = line_;
    if (pos_ >= text_.size()) return true;
    const size_t start = pos_;
    const char c = text_[pos_];
    if (IsLetter(c) || c == '_') {
      while (pos_ < text_.size() && IdentChar(text_[pos_])) ++pos_;
      tok_.kind = Token::Kind::Ident;
    } else if (IsDigit(c) ||
               (c == '-' &&
                (AtDigit(pos_ + 1) || (pos_ + 1 < text_.size() && text_[pos_ + 1] == '$'))) ||
               c == '$') {
      if (!ReadNumber()) return false;
    } else if (c == '\'' || c == '#') {
      if (!ScanString(pos_, false)) return false;
      tok_.kind = Token::Kind::String;
    } else if (std::string_view("=:[],+").find(c) != std::string_view::npos) {
      tok_.kind = Token::Kind::Symbol;
      tok_.symbol = c;
      ++pos_;
    } else {
      return Fail("unexpected character '", text_.substr(pos_, 1), "'");
    }
    tok_.text = text_.substr(start, pos_ - start);
    return true;
  }

  constexpr bool ReadNumber() {
    const bool negative = At('-');
    if (negative) ++pos_;
    if (At('$')) {
      ++pos_;
      const size_t start = pos_;
      while (pos_ < text_.size() && IsHexDigit(text_[pos_])) ++pos_;
      if (pos_ == start || pos_ - start > 8) return Fail("bad hexadecimal number");
      const int64_t v = DigitsValue(text_.substr(start, pos_ - start), 16);
      tok_.kind = Token::Kind::Int;
      tok_.integer = negative ? -v : v;
      return true;
    }
    const size_t start = pos_;
    bool real = false;
    while (AtDigit(pos_)) ++pos_;
    if (At('.') && AtDigit(pos_ + 1)) {
      real = true;
      ++pos_;
      while (AtDigit(pos_)) ++pos_;
    }
    if (At('e') || At('E')) {
      const size_t save = pos_++;
      if (At('+') || At('-')) ++pos_;
      if (AtDigit(pos_)) {
        real = true;
        while (AtDigit(pos_)) ++pos_;
      } else {
        pos_ = save;
      }
    }
    const std::string_view digits = text_.substr(start, pos_ - start);
    if (real) {
      tok_.kind = Token::Kind::Float;
      tok_.real = DecimalValue(digits) * (negative ? -1 : 1);
      return true;
    }
    if (digits.size() > 18) return Fail("number too long");
    tok_.kind = Token::Kind::Int;
    tok_.integer = DigitsValue(digits, 10) * (negative ? -1 : 1);
    return true;
  }

  // 'quoted' pieces ('' is one quote) and #code characters, side by side,
  // from `at`; the characters they stand for are put out when `put`.
  constexpr bool ScanString(size_t& at, bool put) {
    const auto emit = [&](char c) {
      if (put) Put(c);
    };
    while (at < text_.size() && (text_[at] == '\'' || text_[at] == '#')) {
      if (text_[at++] == '\'') {
        for (;;) {
          if (at >= text_.size() || text_[at] == '\n') return Fail("unterminated string");
          if (text_[at] == '\'') {
            if (at + 1 < text_.size() && text_[at + 1] == '\'') {
              emit('\'');
              at += 2;
              continue;
            }
            ++at;
            break;
          }
          emit(text_[at++]);
        }
      } else {
        const bool hex = at < text_.size() && text_[at] == '$';
        if (hex) ++at;
        const size_t start = at;
        while (at < text_.size() && (hex ? IsHexDigit(text_[at]) : IsDigit(text_[at]))) ++at;
        if (at == start || at - start > 3) return Fail("bad character code");
        const int64_t code = DigitsValue(text_.substr(start, at - start), hex ? 16 : 10);
        if (code > 255) return Fail("character code above 255");
        emit(static_cast<char>(code));
      }
    }
    return true;
  }

  constexpr bool IsSymbol(char c) const {
    return tok_.kind == Token::Kind::Symbol && tok_.symbol == c;
  }
  constexpr bool IsWord(std::string_view w) const {
    return tok_.kind == Token::Kind::Ident && tok_.text == w;
  }

  // `symbol`: one character.
  constexpr bool Expect(std::string_view symbol) {
    if (!IsSymbol(symbol[0])) return Fail("expected '", symbol, "'");
    return Advance();
  }

  constexpr bool ExpectIdent(std::string_view& out, std::string_view what) {
    if (tok_.kind != Token::Kind::Ident) return Fail("expected ", what);
    out = tok_.text;
    return Advance();
  }

  // --- Records
  constexpr void Put(char c) { out_.Insert(out_.size(), &c, 1); }
  constexpr void PutCount(uint64_t v, size_t at) {
    char bytes[10] = {};
    out_.Insert(at, bytes, WriteCount(v, bytes));
  }
  constexpr void PutText(std::string_view text) {
    const size_t start = out_.size();
    for (char c : text) Put(c);
    EndText(start);
  }
  // The characters from `start` on are a text: its length goes before them.
  constexpr void EndText(size_t start) {
    PutCount(uint64_t{out_.size() - start} << 1, start);
    out_.Share(start);
  }
  constexpr void PutRecord(unsigned char tag, int line, std::string_view name) {
    const int lines = line - recordLine_;
    Put(static_cast<char>(tag | std::min(lines, kFarLine) << 3));
    if (lines >= kFarLine) PutCount(static_cast<uint64_t>(lines - kFarLine), out_.size());
    recordLine_ = line;
    PutText(name);
  }
  constexpr void Complete() { complete_ = out_.size(); }

  // A property's value, from the token after its "=", put out with the
  // property's record.
  constexpr bool ReadValue(std::string_view name, int line) {
    if (tok_.kind == Token::Kind::Int) {
      PutRecord(static_cast<unsigned char>(TValue::Kind::Int), line, name);
      const auto bits = static_cast<uint64_t>(tok_.integer);
      PutCount(tok_.integer < 0 ? ~bits << 1 | 1 : bits << 1, out_.size());
    } else if (tok_.kind == Token::Kind::Float) {
      PutRecord(static_cast<unsigned char>(TValue::Kind::Float), line, name);
      const auto bits = std::bit_cast<uint64_t>(tok_.real);
      for (int shift = 0; shift < 64; shift += 8) Put(static_cast<char>(bits >> shift));
      PutText(tok_.text);
    } else if (tok_.kind == Token::Kind::Ident) {
      PutRecord(static_cast<unsigned char>(TValue::Kind::Ident), line, name);
      PutText(tok_.text);
    } else if (tok_.kind == Token::Kind::String) {
      PutRecord(static_cast<unsigned char>(TValue::Kind::String), line, name);
      const size_t start = out_.size();
      for (;;) {
        size_t at = static_cast<size_t>(tok_.text.data() - text_.data());
        ScanString(at, true);  // read once already: no fault
        if (!Advance()) return false;
        if (!IsSymbol('+')) break;
        if (!Advance()) return false;
        if (tok_.kind != Token::Kind::String) return Fail("expected a string after '+'");
      }
      EndText(start);
      Complete();
      return true;
    } else if (IsSymbol('[')) {
      PutRecord(static_cast<unsigned char>(TValue::Kind::Set), line, name);
      if (!Advance()) return false;
      while (!IsSymbol(']')) {
        std::string_view member;
        if (!ExpectIdent(member, "a set member")) return false;
        PutText(member);
        if (IsSymbol(',')) {
          if (!Advance()) return false;
        } else if (!IsSymbol(']')) {
          return Fail("expected ',' or ']'");
        }
      }
      PutText({});
    } else {
      return Fail("expected a value");
    }
    if (!Advance()) return false;
    Complete();
    return true;
  }

  constexpr bool ReadObject(int depth) {
    if (depth > kMaxDepth) return Fail("objects nested too deeply");
    if (!IsWord("object")) return Fail("expected object");
    if (!Advance()) return false;
    std::string_view name, cls;
    if (!ExpectIdent(name, "a component name") || !Expect(":")) return false;
    const int line = tok_.line;
    if (!ExpectIdent(cls, "a class name")) return false;
    PutRecord(kObjectRecord, line, name);
    PutText(cls);
    Complete();
    for (;;) {
      if (IsWord("end")) {
        Put(static_cast<char>(kEndRecord));
        Complete();
        return Advance();
      }
      if (IsWord("object")) {
        if (!ReadObject(depth + 1)) return false;
        continue;
      }
      if (tok_.kind != Token::Kind::Ident) {
        return Fail("expected a property, object or end in ", name);
      }
      const std::string_view prop = tok_.text;
      const int propLine = tok_.line;
      if (!Advance() || !Expect("=") || !ReadValue(prop, propLine)) return false;
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  Token tok_;
  Sink& out_;
  int recordLine_ = 1;
  size_t complete_ = 0;
  Fault fault_;
};

// Records made at compile time, in an array that holds `N` characters: a
// text put a second time becomes a pointer to the first. Never read
// beyond: a compilation that would stops there.
template <size_t N>
struct ArraySink {
  std::array<char, N> bytes{};
  size_t used = 0;
  constexpr size_t size() const { return used; }
  constexpr void Insert(size_t at, const char* from, size_t n) {
    for (size_t i = used; i-- > at;) bytes[i + n] = bytes[i];
    for (size_t i = 0; i < n; ++i) bytes[at + i] = from[i];
    used += n;
  }
  constexpr void Share(size_t start) {
    const std::string_view all(bytes.data(), used);
    const std::string_view text = all.substr(start);
    const size_t earlier = all.substr(0, start).find(text);
    if (earlier == std::string_view::npos) return;
    char pointer[10] = {};
    const size_t n = WriteCount(uint64_t{earlier} << 1 | 1, pointer);
    if (n >= text.size()) return;
    used = start;
    Insert(start, pointer, n);
  }
};

// Not constant: a layout text with a fault, read at compile time, stops
// the compilation at this call; the note on the call of FaultAt names the
// fault's line and what was wrong there.
inline void LayoutTextHasAFault() {}
constexpr void FaultAt(int line, std::string_view what) {
  if (line > 0 && what.data()) LayoutTextHasAFault();
}

// Records are at most four times as long as their text: the longest for
// the fewest characters is a real such as "x=1e1" (16 characters).
template <std::string_view (*text)()>
constexpr auto kRead = [] {
  ArraySink<text().size() * 4 + 16> out;
  Reader reader(text(), out);
  if (!reader.Run()) FaultAt(reader.LastFault().line, reader.LastFault().what);
  return out;
}();

template <std::string_view (*text)()>
constexpr auto kRecords = [] {
  std::array<char, kRead<text>.used> records{};
  for (size_t i = 0; i < records.size(); ++i) records[i] = kRead<text>.bytes[i];
  return records;
}();

}  // namespace gui::layout_detail

namespace gui {

template <std::string_view (*text)()>
constexpr TCompiledLayout CompiledLayout() {
  const auto& records = layout_detail::kRecords<text>;
  return TCompiledLayout(std::string_view(records.data(), records.size()));
}

}  // namespace gui
