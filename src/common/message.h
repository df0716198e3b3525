// Messages for a person, built from a pattern and the values put into it:
//
//   q::Message("cannot rename %s to %s", from, to)
//   q::Error::Failf("Setup needs %u MB, %u MB are free", needed, free)
//
// "%s" takes text (std::string, std::string_view, a C string), "%u" an
// unsigned number, written in decimal. Each pattern is checked against its
// values where it is compiled: a placeholder without its value, a value
// without its placeholder or one of the wrong kind does not build. The text is made in one string
// by one builder, not by a chain of + that makes a temporary string per piece at every place a
// message is built.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace q {
namespace message {

template <typename T>
consteval char KindOf() {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_convertible_v<const U&, std::string_view>) {
    return 's';
  } else if constexpr (std::is_unsigned_v<U> && !std::is_same_v<U, bool> && sizeof(U) <= 8) {
    return 'u';
  } else {
    return '?';
  }
}

// How text travels to the builder (through "...", which takes plain data).
struct Text {
  const char* data;
  size_t size;
};

// How a value travels to the builder: text as a Text, numbers as 64 bits.
template <typename T>
auto Pass(const T& value) {
  constexpr char kind = KindOf<T>();
  static_assert(kind != '?', "a message takes text and unsigned numbers");
  if constexpr (kind == 's') {
    const std::string_view text(value);
    return Text{text.data(), text.size()};
  } else {
    return uint64_t{value};
  }
}

// Not constant: a pattern that reaches it does not compile.
void PatternDoesNotMatchItsValues();

template <typename... Values>
struct Pattern {
  const char* text;
  template <size_t N>
  consteval Pattern(const char (&pattern)[N]) : text(pattern) {
    constexpr char kinds[] = {KindOf<Values>()..., '\0'};
    size_t used = 0;
    for (size_t i = 0; i + 1 < N; ++i) {
      if (pattern[i] != '%') continue;
      if (used == sizeof...(Values) || pattern[++i] != kinds[used]) PatternDoesNotMatchItsValues();
      ++used;
    }
    if (used != sizeof...(Values)) PatternDoesNotMatchItsValues();
  }
};

// The builders: `pattern` with every placeholder replaced by the next value,
// appended to `out` or as a string of its own. Called through the checked
// functions below only.
void AppendUnchecked(std::string& out, const char* pattern, ...);
std::string Unchecked(const char* pattern, ...);
void AppendList(std::string& out, const char* pattern, va_list values);

}  // namespace message

template <typename... Values>
[[gnu::always_inline]] inline void AppendMessage(
    std::string& out, message::Pattern<std::type_identity_t<Values>...> pattern,
    const Values&... values) {
  message::AppendUnchecked(out, pattern.text, message::Pass(values)...);
}

template <typename... Values>
[[gnu::always_inline]] inline std::string Message(
    message::Pattern<std::type_identity_t<Values>...> pattern, const Values&... values) {
  return message::Unchecked(pattern.text, message::Pass(values)...);
}

}  // namespace q
