// The message builder (see message.h) and the failure value (error.h).
#include "common/message.h"

#include <cstdarg>

#include "common/digits.h"
#include "common/error.h"

namespace q {
namespace message {

void AppendList(std::string& out, const char* pattern, va_list values) {
  while (*pattern) {
    const char* end = pattern;
    while (*end && *end != '%') ++end;
    out.append(pattern, end);
    pattern = end;
    if (!*pattern) break;
    const char kind = pattern[1];
    pattern += 2;
    if (kind == 's') {
      const Text text = va_arg(values, Text);
      out.append(text.data, text.size);
      continue;
    }
    out.append(Decimal(va_arg(values, uint64_t)));
  }
}

void AppendUnchecked(std::string& out, const char* pattern, ...) {
  va_list values;
  va_start(values, pattern);
  AppendList(out, pattern, values);
  va_end(values);
}

std::string Unchecked(const char* pattern, ...) {
  std::string out;
  va_list values;
  va_start(values, pattern);
  AppendList(out, pattern, values);
  va_end(values);
  return out;
}

}  // namespace message

Error Error::FailUnchecked(const char* pattern, ...) {
  Error e;
  e.message_ = new std::string;
  va_list values;
  va_start(values, pattern);
  message::AppendList(*e.message_, pattern, values);
  va_end(values);
  return e;
}

namespace {
const std::string kNoMessage;
}  // namespace

Error::Error(const Error& other)
    : message_(other.message_ ? new std::string(*other.message_) : nullptr) {}

Error& Error::operator=(const Error& other) {
  if (this != &other) *this = Error(other);
  return *this;
}

Error Error::Fail(std::string message) {
  Error e;
  e.message_ = new std::string(std::move(message));
  return e;
}

Error Error::Fail(const char* message) {
  Error e;
  e.message_ = new std::string(message);
  return e;
}

const std::string& Error::Message() const { return message_ ? *message_ : kNoMessage; }

Error&& Error::WithContext(std::string_view context) && {
  if (message_) *message_ = q::Message("%s: %s", context, *message_);
  return std::move(*this);
}

}  // namespace q
