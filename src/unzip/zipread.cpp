#include "unzip/zipread.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "platform/file.h"

namespace {

constexpr uint32_t kSearchWindow = 4096;
constexpr uint32_t kEndRecordSize = 22;
constexpr uint32_t kCentralHeaderSize = 46;
constexpr uint16_t kLargeMode = 64000;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
bool Sig(const uint8_t* p, uint8_t a, uint8_t b) {
  return p[0] == 'P' && p[1] == 'K' && p[2] == a && p[3] == b;
}

// In large mode the walk keeps the archive open; the file and the count of
// valid buffer bytes live in the same allocation, behind the buffer.
struct LargeTail {
  platform::File file;
  uint32_t valid = 0;
};

size_t TailOffset(uint32_t windowSize) {
  const size_t a = alignof(LargeTail);
  return (windowSize + 1 + a - 1) / a * a;
}

LargeTail* Tail(const TZipSearchRec& rec) {
  return reinterpret_cast<LargeTail*>(rec.Window + TailOffset(rec.WindowSize));
}

bool IsLarge(const TZipSearchRec& rec) { return rec.WindowSize == kLargeMode; }

// Number of valid bytes in the buffer.
uint32_t BufferEnd(const TZipSearchRec& rec) {
  return IsLarge(rec) ? Tail(rec)->valid : rec.WindowSize;
}

// Reads the central header at ReadPos into the record.
int HeaderStep(TZipSearchRec& rec) {
  uint8_t* buf = rec.Window;
  uint32_t end = BufferEnd(rec);
  auto remaining = [&] { return end - rec.ReadPos; };
  auto headerSpan = [&] {
    const uint8_t* h = buf + rec.ReadPos;
    return kCentralHeaderSize + Le16(h + 28) + Le16(h + 30) + Le16(h + 32);
  };
  if (IsLarge(rec) && (remaining() < kCentralHeaderSize || remaining() < headerSpan())) {
    // Refill: keep the unread bytes, fill up from the file where the previous
    // read ended.
    LargeTail* tail = Tail(rec);
    const uint32_t keep = remaining();
    std::memmove(buf, buf + rec.ReadPos, keep);
    uint32_t want = rec.ReadPos;
    if (want > kLargeMode - keep) want = kLargeMode - keep;
    uint32_t got = 0;
    if (!tail->file.Read(buf + keep, want, &got)) return kZipEnd;
    tail->valid = keep + got;
    end = tail->valid;
    rec.ReadPos = 0;
    if (end < kCentralHeaderSize) return kZipEnd;
  }
  const uint8_t* h = buf + rec.ReadPos;
  if (remaining() >= 4 && Sig(h, 5, 6)) return kZipEnd;
  if (remaining() < kCentralHeaderSize || remaining() < headerSpan() || !Sig(h, 1, 2)) {
    return kZipEnd;
  }
  rec.UnpackedSize = Le32(h + 24);
  rec.PackedSize = Le32(h + 20);
  rec.FileTime = Le32(h + 12);
  rec.EntryCrc = Le32(h + 16);
  rec.GpFlags = Le16(h + 8);
  rec.MethodCode = Le16(h + 10);
  rec.LocalHeaderPos = Le32(h + 42);
  rec.DosAttr = h[5] == 0 ? h[38] : 0;
  const uint32_t n = Le16(h + 28);
  uint32_t i = 0;
  for (; i < n && i < sizeof(rec.EntryName) - 1; ++i) {
    const char c = static_cast<char>(h[kCentralHeaderSize + i]);
    if (c == '\0') break;
    rec.EntryName[i] = c == '/' ? platform::kPathSeparator : c;
  }
  rec.EntryName[i] = '\0';
  rec.ReadPos = static_cast<uint16_t>(rec.ReadPos + headerSpan());
  return kZipOk;
}

// Finds the end record nearest the end of the file; its file offset goes to
// *endPos and the central directory offset to *dirPos.
bool FindEndRecord(platform::File& file, uint64_t size, uint64_t* endPos, uint32_t* dirPos) {
  uint32_t w = kSearchWindow;
  uint64_t start = 0;
  if (size <= kSearchWindow) {
    w = static_cast<uint32_t>(size);
  } else {
    start = size - kSearchWindow;
  }
  auto* buf = static_cast<uint8_t*>(std::calloc(w + 1, 1));
  if (buf == nullptr) return false;
  bool found = false;
  for (;;) {
    uint32_t got = 0;
    if (!file.Seek(start) || !file.Read(buf, w, &got) || got < w) break;
    for (int64_t i = static_cast<int64_t>(w) - kEndRecordSize; i >= 0; --i) {
      if (Sig(buf + i, 5, 6)) {
        *endPos = start + static_cast<uint64_t>(i);
        *dirPos = Le32(buf + i + 16);
        found = true;
        break;
      }
    }
    if (found || start == 0 || w <= kEndRecordSize) break;
    // Consecutive windows overlap by 22 bytes so no record is cut in two.
    const uint64_t step = w - kEndRecordSize;
    start = start > step ? start - step : 0;
  }
  std::free(buf);
  return found;
}

}  // namespace

bool IsZipArchive(const char* Name) {
  if (std::strchr(Name, '.') == nullptr) return false;
  char copy[260];
  std::strncpy(copy, Name, sizeof(copy) - 1);
  copy[sizeof(copy) - 1] = '\0';
  const size_t len = std::strlen(copy);
  if (len > 0 && copy[len - 1] == platform::kPathSeparator) copy[len - 1] = '\0';
  if (platform::FolderExists(copy)) return false;
  platform::File file;
  if (file.OpenRead(Name) != 0) return false;
  uint8_t head[10] = {};
  uint32_t got = 0;
  if (!file.Read(head, sizeof(head), &got)) return false;
  if (got == 10 && Sig(head, 3, 4)) return true;
  if (got >= 6 && head[0] == 'M' && head[1] == 'Z') {
    // An executable: the archive may follow its image.
    const int64_t last = Le16(head + 2);
    const int64_t pages = Le16(head + 4);
    int64_t image = (pages - 1) * 512 + last;
    if (last == 0) image += 512;
    if (image <= 0 || !file.Seek(static_cast<uint64_t>(image))) return false;
    uint8_t at[11] = {};
    if (!file.Read(at, 10, &got) || got < 4) return false;
    return Sig(at, 3, 4) || Sig(at + 1, 3, 4);
  }
  return false;
}

int ZipFindFirst(const char* Name, TZipSearchRec& Rec) {
  Rec.Window = nullptr;
  platform::File file;
  if (file.OpenRead(Name) != 0) return kZipFailed;
  uint64_t size = 0;
  if (!file.Size(&size)) return kZipFailed;
  Rec.UnpackedSize = static_cast<uint32_t>(size);
  if (size == 0) return kZipFailed;
  uint64_t endPos = 0;
  uint32_t dirPos = 0;
  if (!FindEndRecord(file, size, &endPos, &dirPos)) return kZipFailed;
  Rec.ReadPos = 0;
  if (endPos < kCentralHeaderSize) return kZipNotOpen;

  // The directory and the end record's signature, in full 32-bit width.
  const uint32_t span = static_cast<uint32_t>(endPos - dirPos + 4);
  const bool large = span >= kLargeMode;
  Rec.WindowSize = large ? kLargeMode : static_cast<uint16_t>(span);
  const size_t bytes = large ? TailOffset(kLargeMode) + sizeof(LargeTail) : Rec.WindowSize + 1u;
  auto* buf = static_cast<uint8_t*>(std::calloc(bytes, 1));
  if (buf == nullptr) return kZipFailed;
  uint32_t got = 0;
  if (!file.Seek(dirPos) || !file.Read(buf, Rec.WindowSize, &got)) {
    std::free(buf);
    return kZipFailed;
  }
  Rec.Window = buf;
  if (large) {
    LargeTail* tail = new (buf + TailOffset(kLargeMode)) LargeTail;
    tail->file = std::move(file);
    tail->valid = got;
  } else {
    Rec.WindowSize = static_cast<uint16_t>(got);  // a short read: only what arrived counts
  }
  const int rc = HeaderStep(Rec);
  if (rc != kZipOk) ZipFindClose(Rec);
  return rc;
}

int ZipFindNext(TZipSearchRec& Rec) {
  if (Rec.Window == nullptr) return kZipNotOpen;
  const int rc = HeaderStep(Rec);
  if (rc != kZipOk) ZipFindClose(Rec);
  return rc;
}

void ZipFindClose(TZipSearchRec& Rec) {
  if (Rec.Window == nullptr) return;
  if (IsLarge(Rec)) Tail(Rec)->~LargeTail();
  std::free(Rec.Window);
  Rec.Window = nullptr;
}
