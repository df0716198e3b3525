// The failure value of shipped code (no exceptions): success, or a message a
// person can act on. Steps return it; callers stop at the first failure:
//   if (q::Error err = CreateFolders()) return err;
#pragma once

#include <string>
#include <utility>

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

  bool Failed() const { return failed_; }
  explicit operator bool() const { return failed_; }
  const std::string& Message() const { return message_; }

  // "context: message", for a caller that knows what was being done.
  Error&& WithContext(const std::string& context) && {
    if (failed_) message_ = context + ": " + message_;
    return std::move(*this);
  }

 private:
  bool failed_ = false;
  std::string message_;
};

}  // namespace q
