// The failure value of shipped code (no exceptions): success, or a message a
// person can act on. Steps return it; callers stop at the first failure:
//   if (q::Error err = CreateFolders()) return err;
#pragma once

#include <string>
#include <type_traits>
#include <utility>

#include "common/message.h"

namespace q {

class [[nodiscard]] Error {
 public:
  Error() = default;  // success
  static Error Fail(std::string message) {
    Error e;
    e.failed_ = true;
    e.message_ = std::move(message);
    return e;
  }
  // A failure whose message is built from a pattern and its values (see
  // message.h): Error::Failf("cannot read %s", path).
  template <typename... Values>
  [[gnu::always_inline]] static Error Failf(
      message::Pattern<std::type_identity_t<Values>...> pattern, const Values&... values) {
    return FailUnchecked(pattern.text, message::Pass(values)...);
  }

  bool Failed() const { return failed_; }
  explicit operator bool() const { return failed_; }
  const std::string& Message() const { return message_; }

  // "context: message", for a caller that knows what was being done.
  Error&& WithContext(const std::string& context) && {
    if (failed_) message_ = context + ": " + message_;
    return std::move(*this);
  }

 private:
  static Error FailUnchecked(const char* pattern, ...);

  bool failed_ = false;
  std::string message_;
};

}  // namespace q
