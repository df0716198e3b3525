#include <cstdlib>
#include <cstring>

#include "platform/file.h"
#include "platform/thread.h"

namespace platform {

File::~File() { Close(); }

// Moving a file hands over its handle and its read-ahead block.
File::File(File&& other) noexcept : handle_(other.handle_), ahead_(other.ahead_) {
  other.handle_ = kInvalid;
  other.ahead_ = ReadAhead{};
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    ahead_ = other.ahead_;
    other.handle_ = kInvalid;
    other.ahead_ = ReadAhead{};
  }
  return *this;
}

void File::StartReadAhead() {
  EndReadAhead();
  ahead_.data = static_cast<uint8_t*>(std::malloc(kReadAheadSize));
}

void File::EndReadAhead() {
  std::free(ahead_.data);
  ahead_ = ReadAhead{};
}

bool File::Read(void* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  if (!IsOpen()) return false;
  if (ahead_.data == nullptr) return ReadThrough(buffer, count, got);
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    if (ahead_.pos == ahead_.size) {
      // The block is used up: the system's position is the file's.
      ahead_.at += ahead_.size;
      ahead_.size = ahead_.pos = 0;
      uint32_t n = 0;
      if (count >= kReadAheadSize) {  // large enough to go straight through
        const bool ok = ReadThrough(out, count, &n);
        ahead_.at += n;
        *got += n;
        return ok;
      }
      if (!ReadThrough(ahead_.data, kReadAheadSize, &n)) return false;
      ahead_.size = n;
      if (n == 0) return true;  // the end of the file
    }
    const uint32_t n = ahead_.size - ahead_.pos < count ? ahead_.size - ahead_.pos : count;
    std::memcpy(out, ahead_.data + ahead_.pos, n);
    ahead_.pos += n;
    out += n;
    count -= n;
    *got += n;
  }
  return true;
}

bool File::Seek(uint64_t position) {
  if (!IsOpen()) return false;
  if (ahead_.data != nullptr && position >= ahead_.at && position - ahead_.at <= ahead_.size) {
    ahead_.pos = static_cast<uint32_t>(position - ahead_.at);
    return true;
  }
  if (!SeekThrough(position)) return false;
  ahead_.at = position;
  ahead_.size = ahead_.pos = 0;
  return true;
}

DosTime DosStampToTime(uint32_t stamp) {
  DosTime t;
  t.year = static_cast<int>(stamp >> 25) + 1980;
  t.month = static_cast<int>((stamp >> 21) & 15);
  t.day = static_cast<int>((stamp >> 16) & 31);
  t.hour = static_cast<int>((stamp & 0xFFFF) >> 11);
  t.minute = static_cast<int>((stamp >> 5) & 63);
  t.second = static_cast<int>(stamp & 31) * 2;
  return t;
}

bool IsValidDosTime(const DosTime& t) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.month < 1 || t.month > 12 || t.day < 1) return false;
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  const int days = kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
  return t.day <= days && t.hour < 24 && t.minute < 60 && t.second < 60;
}

// --- Semaphore ------------------------------------------------------------

void Semaphore::Post() {
  monitor_.Lock();
  ++count_;
  const bool wake = waiting_ && Over(need_);
  monitor_.Unlock();
  if (wake) monitor_.Wake();
}

void Semaphore::Wait(uint32_t atLeast) {
  monitor_.Lock();
  while (!Over(atLeast)) {
    need_ = atLeast;
    waiting_ = true;
    monitor_.Sleep();
    waiting_ = false;
  }
  --count_;
  monitor_.Unlock();
}

bool Semaphore::TryWait() {
  monitor_.Lock();
  const bool taken = count_ != 0;
  if (taken) --count_;
  monitor_.Unlock();
  return taken;
}

void Semaphore::Hurry() {
  monitor_.Lock();
  hurried_ = true;
  const bool wake = waiting_ && Over(need_);
  monitor_.Unlock();
  if (wake) monitor_.Wake();
}

}  // namespace platform
