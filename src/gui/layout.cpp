#include "gui/layout.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "common/digits.h"

namespace gui {
namespace {

constexpr int kMaxDepth = 64;

// The value of a digit run (at most 18 decimal or 8 hexadecimal digits, so
// it cannot overflow). The C library's converters would drag the locale-
// aware, any-format number machinery into every program with a layout.
int64_t DigitsValue(std::string_view digits, int base) {
  int64_t v = 0;
  for (char c : digits) {
    const int d = std::isdigit(static_cast<unsigned char>(c))
                      ? c - '0'
                      : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    v = v * base + d;
  }
  return v;
}

// A decimal real as a layout writes it: digits, optionally "." and digits,
// optionally "e" or "E", a sign and digits. Up to 19 significant digits
// count; when they fit 53 bits and the power of ten is at most 22 (the
// layouts' own values, such as 2.094395102393196), both factors are exact
// doubles and the one multiplication or division rounds correctly.
// Otherwise the result may be off by a few units in the last place.
double DecimalValue(std::string_view text) {
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

struct Token {
  enum class Kind { End, Ident, Int, Float, String, Symbol };
  Kind kind = Kind::End;
  std::string text;  // Ident name, String text, Float as written
  int64_t integer = 0;
  double real = 0;
  char symbol = 0;
  int line = 1;
};

class Parser {
 public:
  Parser(std::string_view text, TComponent& root, const TComponentFactory& create,
         std::vector<TComponent*>& created)
      : text_(text), root_(root), create_(create), created_(created) {}

  q::Error Run() {
    if (q::Error e = Advance()) return e;
    if (q::Error e = ReadObject(nullptr, 0)) return e;
    if (tok_.kind != Token::Kind::End) return Fail("text after the last end");
    return {};
  }

 private:
  // A view, not a string: a literal reason makes no string at each call.
  q::Error Fail(std::string_view what) const { return FailAt(tok_.line, what); }
  static q::Error FailAt(int line, std::string_view what) {
    return q::Error::Fail(("layout line " + q::SignedDecimal(line) + ": ").append(what));
  }

  static bool IdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
  static bool IdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
  }
  bool At(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
  bool AtDigit(size_t at) const {
    return at < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at]));
  }

  // Reads the next token into tok_.
  q::Error Advance() {
    for (;;) {
      while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
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
    if (pos_ >= text_.size()) return {};
    char c = text_[pos_];
    if (IdentStart(c)) {
      size_t start = pos_;
      while (pos_ < text_.size() && IdentChar(text_[pos_])) ++pos_;
      tok_.kind = Token::Kind::Ident;
      tok_.text = std::string(text_.substr(start, pos_ - start));
      return {};
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        (c == '-' && (AtDigit(pos_ + 1) || (pos_ + 1 < text_.size() && text_[pos_ + 1] == '$'))) ||
        c == '$') {
      return ReadNumber();
    }
    if (c == '\'' || c == '#') return ReadString();
    if (c == '=' || c == ':' || c == '[' || c == ']' || c == ',' || c == '+') {
      tok_.kind = Token::Kind::Symbol;
      tok_.symbol = c;
      ++pos_;
      return {};
    }
    return Fail(std::string("unexpected character '") + c + "'");
  }

  q::Error ReadNumber() {
    bool negative = At('-');
    if (negative) ++pos_;
    if (At('$')) {
      ++pos_;
      size_t start = pos_;
      while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      if (pos_ == start || pos_ - start > 8) return Fail("bad hexadecimal number");
      const int64_t v = DigitsValue(text_.substr(start, pos_ - start), 16);
      tok_.kind = Token::Kind::Int;
      tok_.integer = negative ? -v : v;
      return {};
    }
    size_t start = pos_;
    bool real = false;
    while (AtDigit(pos_)) ++pos_;
    if (At('.') && AtDigit(pos_ + 1)) {
      real = true;
      ++pos_;
      while (AtDigit(pos_)) ++pos_;
    }
    if (At('e') || At('E')) {
      size_t save = pos_++;
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
      tok_.text = std::string(negative ? "-" : "") + std::string(digits);
      return {};
    }
    if (digits.size() > 18) return Fail("number too long");
    tok_.kind = Token::Kind::Int;
    tok_.integer = DigitsValue(digits, 10) * (negative ? -1 : 1);
    return {};
  }

  // 'quoted' pieces ('' is one quote) and #code characters, side by side.
  q::Error ReadString() {
    std::string s;
    while (At('\'') || At('#')) {
      if (At('\'')) {
        ++pos_;
        for (;;) {
          if (pos_ >= text_.size() || text_[pos_] == '\n') return Fail("unterminated string");
          if (text_[pos_] == '\'') {
            if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
              s += '\'';
              pos_ += 2;
              continue;
            }
            ++pos_;
            break;
          }
          s += text_[pos_++];
        }
      } else {
        ++pos_;
        int base = 10;
        if (At('$')) {
          base = 16;
          ++pos_;
        }
        size_t start = pos_;
        while (pos_ < text_.size() &&
               (base == 16 ? std::isxdigit(static_cast<unsigned char>(text_[pos_]))
                           : std::isdigit(static_cast<unsigned char>(text_[pos_])))) {
          ++pos_;
        }
        if (pos_ == start || pos_ - start > 3) return Fail("bad character code");
        const int64_t code = DigitsValue(text_.substr(start, pos_ - start), base);
        if (code > 255) return Fail("character code above 255");
        s += static_cast<char>(code);
      }
    }
    tok_.kind = Token::Kind::String;
    tok_.text = std::move(s);
    return {};
  }

  bool IsSymbol(char c) const { return tok_.kind == Token::Kind::Symbol && tok_.symbol == c; }
  bool IsWord(std::string_view w) const {
    return tok_.kind == Token::Kind::Ident && tok_.text == w;
  }

  q::Error Expect(char c) {
    if (!IsSymbol(c)) return Fail(std::string("expected '") + c + "'");
    return Advance();
  }

  q::Error ExpectIdent(std::string& out, const char* what) {
    if (tok_.kind != Token::Kind::Ident) return Fail(std::string("expected ") + what);
    out = tok_.text;
    return Advance();
  }

  q::Error ReadValue(TValue& v) {
    switch (tok_.kind) {
      case Token::Kind::Int:
        v.kind = TValue::Kind::Int;
        v.integer = tok_.integer;
        return Advance();
      case Token::Kind::Float:
        v.kind = TValue::Kind::Float;
        v.real = tok_.real;
        v.text = tok_.text;  // as written, for messages
        return Advance();
      case Token::Kind::Ident:
        v.kind = TValue::Kind::Ident;
        v.text = tok_.text;
        return Advance();
      case Token::Kind::String:
        v.kind = TValue::Kind::String;
        v.text = tok_.text;
        if (q::Error e = Advance()) return e;
        while (IsSymbol('+')) {
          if (q::Error e = Advance()) return e;
          if (tok_.kind != Token::Kind::String) return Fail("expected a string after '+'");
          v.text += tok_.text;
          if (q::Error e = Advance()) return e;
        }
        return {};
      case Token::Kind::Symbol:
        if (tok_.symbol == '[') {
          v.kind = TValue::Kind::Set;
          if (q::Error e = Advance()) return e;
          while (!IsSymbol(']')) {
            std::string member;
            if (q::Error e = ExpectIdent(member, "a set member")) return e;
            v.set.push_back(std::move(member));
            if (IsSymbol(',')) {
              if (q::Error e = Advance()) return e;
            } else if (!IsSymbol(']')) {
              return Fail("expected ',' or ']'");
            }
          }
          return Advance();
        }
        break;
      case Token::Kind::End: break;
    }
    return Fail("expected a value");
  }

  q::Error ReadObject(TComponent* enclosing, int depth) {
    if (depth > kMaxDepth) return Fail("objects nested too deeply");
    if (!IsWord("object")) return Fail("expected object");
    if (q::Error e = Advance()) return e;
    std::string name, cls;
    if (q::Error e = ExpectIdent(name, "a component name")) return e;
    if (q::Error e = Expect(':')) return e;
    int line = tok_.line;
    if (q::Error e = ExpectIdent(cls, "a class name")) return e;

    TComponent* comp = nullptr;
    if (!enclosing) {
      if (!root_.InheritsFrom(cls)) {
        return FailAt(line,
                      "the layout is for a " + cls + ", not a " + std::string(root_.ClassName()));
      }
      comp = &root_;
    } else {
      if (root_.FindComponent(name)) {
        return FailAt(line, "a second component " + name);
      }
      comp = create_(cls);
      if (!comp) return FailAt(line, "unknown class " + cls);
    }
    comp->SetName(name);
    comp->BeginLoading();
    created_.push_back(comp);
    if (enclosing) {
      if (q::Error e = comp->SetParentComponent(enclosing)) {
        return std::move(e).WithContext("layout line " + q::SignedDecimal(line) + ": " + name);
      }
    }
    for (;;) {
      if (IsWord("end")) return Advance();
      if (IsWord("object")) {
        if (q::Error e = ReadObject(comp, depth + 1)) return e;
        continue;
      }
      if (tok_.kind != Token::Kind::Ident)
        return Fail("expected a property, object or end in " + name);
      std::string prop = tok_.text;
      int propLine = tok_.line;
      if (q::Error e = Advance()) return e;
      if (q::Error e = Expect('=')) return e;
      TValue value;
      if (q::Error e = ReadValue(value)) return e;
      if (q::Error e = comp->SetProperty(prop, value)) {
        return std::move(e).WithContext("layout line " + q::SignedDecimal(propLine) + ": " + name +
                                        "." + prop);
      }
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  Token tok_;
  TComponent& root_;
  const TComponentFactory& create_;
  std::vector<TComponent*>& created_;
};

}  // namespace

q::Error ReadLayout(std::string_view text, TComponent& root, const TComponentFactory& create,
                    std::vector<TComponent*>& created) {
  return Parser(text, root, create, created).Run();
}

}  // namespace gui
