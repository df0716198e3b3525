// POSIX implementation of the engine's OS layer.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/engine_ui.h"
#include "platform/file.h"

namespace platform {
namespace {

int ErrorCode(int err) {
  if (err == 0) return 0;
  if (err == EEXIST) return kFileExists;
  return (err == ENOENT || err == ENOTDIR) ? kPathNotFound : err;
}

int Fd(intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

int File::OpenRead(const char* path) {
  Close();
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrorCode(errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return EISDIR;
  }
  handle_ = fd;
  StartReadAhead();
  return 0;
}

namespace {

int OpenForWriting(const char* path, int mode, intptr_t* handle) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC | mode, 0644);
  if (fd < 0) return ErrorCode(errno);
  *handle = fd;
  return 0;
}

}  // namespace

int File::OpenWrite(const char* path) {
  Close();
  return OpenForWriting(path, O_TRUNC, &handle_);
}

int File::CreateNew(const char* path) {
  Close();
  return OpenForWriting(path, O_EXCL, &handle_);
}

bool File::ReadThrough(void* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  auto* p = static_cast<unsigned char*>(buffer);
  while (*got < count) {
    const ssize_t n = ::read(Fd(handle_), p + *got, count - *got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    *got += static_cast<uint32_t>(n);
  }
  return true;
}

bool File::Write(const void* buffer, uint32_t count, uint32_t* written) {
  *written = 0;
  if (!IsOpen()) return false;
  const auto* p = static_cast<const unsigned char*>(buffer);
  while (*written < count) {
    const ssize_t n = ::write(Fd(handle_), p + *written, count - *written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    *written += static_cast<uint32_t>(n);
  }
  return true;
}

bool File::SeekThrough(uint64_t position) {
  if (position > static_cast<uint64_t>(INT64_MAX)) return false;
  return ::lseek(Fd(handle_), static_cast<off_t>(position), SEEK_SET) >= 0;
}

bool File::Size(uint64_t* size) const {
  struct stat st;
  if (!IsOpen() || ::fstat(Fd(handle_), &st) != 0) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool File::SetDosTime(uint32_t stamp) {
  const DosTime t = DosStampToTime(stamp);
  if (!IsOpen() || !IsValidDosTime(t)) return false;
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  const std::time_t when = std::mktime(&tm);
  if (when == static_cast<std::time_t>(-1)) return false;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // last access stays
  times[1].tv_sec = when;
  times[1].tv_nsec = 0;
  return ::futimens(Fd(handle_), times) == 0;
}

bool File::SetAttributes(uint16_t attributes) {
  if (!IsOpen()) return false;
  if (!(attributes & 0x01)) return true;  // only read-only has a meaning here
  struct stat st;
  if (::fstat(Fd(handle_), &st) != 0) return false;
  const mode_t mode = st.st_mode & 07777 & static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  return ::fchmod(Fd(handle_), mode) == 0;
}

bool File::Close() {
  EndReadAhead();
  if (!IsOpen()) return true;
  const int rc = ::close(Fd(handle_));
  handle_ = kInvalid;
  return rc == 0;
}

bool EraseFile(const char* path) { return ::unlink(path) == 0; }

bool RenameOver(const char* from, const char* to) { return ::rename(from, to) == 0; }

bool SameFile(const char* a, const char* b) {
  struct stat sa, sb;
  return ::stat(a, &sa) == 0 && ::stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

int ChangeDir(const char* path) { return ::chdir(path) == 0 ? 0 : ErrorCode(errno); }

int MakeDir(const char* path) { return ::mkdir(path, 0755) == 0 ? 0 : ErrorCode(errno); }

bool FolderExists(const char* path) {
  struct stat st;
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const char* path) {
  struct stat st;
  return ::lstat(path, &st) == 0;
}

bool SetAttributes(const char* path, uint16_t attributes) {
  struct stat st;
  if (::stat(path, &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (attributes & 0x01) mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  return ::chmod(path, mode) == 0;
}

uint32_t TickCount() {
  struct timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms =
      static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

namespace {
void NoPump(uintptr_t) {}
bool NoKey(int) { return false; }
void NoNotify(uintptr_t, int16_t, int16_t*) {}
}  // namespace

EngineUi DefaultEngineUi() { return EngineUi{NoPump, NoKey, NoNotify, TickCount}; }

}  // namespace platform
