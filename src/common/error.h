// The failure value of shipped code (no exceptions): success, or a message a
// person can act on. Steps return it; callers stop at the first failure:
//   if (q::Error err = CreateFolders()) return err;
// Success is a null pointer, which every step returns and every caller
// tests and discards: the message lives on the heap, made only on failure.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "common/message.h"

namespace q {

class [[nodiscard]] Error {
 public:
  Error() = default;  // success
  Error(Error&& other) noexcept : message_(std::exchange(other.message_, nullptr)) {}
  Error& operator=(Error&& other) noexcept {
    std::swap(message_, other.message_);  // ours goes with `other`
    return *this;
  }
  Error(const Error& other);
  Error& operator=(const Error& other);
  ~Error() { delete message_; }

  static Error Fail(std::string message);
  static Error Fail(const char* message);  // no string made at the caller
  // A failure whose message is built from a pattern and its values (see
  // message.h): Error::Failf("cannot read %s", path).
  template <typename... Values>
  [[gnu::always_inline]] static Error Failf(
      message::Pattern<std::type_identity_t<Values>...> pattern, const Values&... values) {
    return FailUnchecked(pattern.text, message::Pass(values)...);
  }

  bool Failed() const { return message_ != nullptr; }
  explicit operator bool() const { return message_ != nullptr; }
  // Empty on success.
  const std::string& Message() const;

  // "context: message", for a caller that knows what was being done.
  Error&& WithContext(std::string_view context) &&;

 private:
  static Error FailUnchecked(const char* pattern, ...);

  std::string* message_ = nullptr;
};

}  // namespace q
