#include "unzip/zipread.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "common/little_endian.h"
#include "platform/file.h"

namespace {

constexpr uint32_t kSearchWindow = 4096;
constexpr uint32_t kEndRecordSize = 22;
constexpr uint32_t kCentralHeaderSize = 46;
constexpr uint16_t kLargeMode = 64000;

using q::Le16;
using q::Le32;
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
  rec.LocalHeaderPos = Le32(h + 42) + rec.OffsetShift;
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

struct EndRecord {
  uint64_t pos = 0;       // file offset of the record
  uint32_t dirPos = 0;    // directory offset it states
  uint32_t dirSize = 0;   // directory size it states
};

// Finds the end record nearest the end of the file among those starting
// before `before`, reading windows of 4 KB from the end backwards that
// overlap so no record is cut in two. The search may run to the file start.
bool FindEndRecord(platform::File& file, uint64_t size, uint64_t before, EndRecord* found) {
  if (size < kEndRecordSize) return false;
  before = std::min(before, size - kEndRecordSize + 1);
  uint8_t buf[kSearchWindow];
  while (before > 0) {
    const uint64_t end = std::min<uint64_t>(size, before + kEndRecordSize - 1);
    const uint64_t start = end > kSearchWindow ? end - kSearchWindow : 0;
    const uint32_t w = static_cast<uint32_t>(end - start);
    uint32_t got = 0;
    if (!file.Seek(start) || !file.Read(buf, w, &got) || got < w) return false;
    for (int64_t i = static_cast<int64_t>(before - 1 - start); i >= 0; --i) {
      if (Sig(buf + i, 5, 6)) {
        found->pos = start + static_cast<uint64_t>(i);
        found->dirSize = Le32(buf + i + 12);
        found->dirPos = Le32(buf + i + 16);
        return true;
      }
    }
    before = start;
  }
  return false;
}

bool CentralHeaderAt(platform::File& file, uint64_t pos) {
  uint8_t sig[4];
  uint32_t got = 0;
  return file.Seek(pos) && file.Read(sig, 4, &got) && got == 4 && Sig(sig, 1, 2);
}

// True when the first central header at `dirPos` names a local header that
// is really there once `shift` is added to its offset.
bool ShiftFindsLocalHeader(platform::File& file, uint64_t dirPos, uint32_t shift) {
  uint8_t h[kCentralHeaderSize];
  uint32_t got = 0;
  if (!file.Seek(dirPos) || !file.Read(h, sizeof(h), &got) || got != sizeof(h)) return false;
  uint8_t sig[4];
  return Sig(h, 1, 2) && file.Seek(uint64_t{Le32(h + 42)} + shift) && file.Read(sig, 4, &got) &&
         got == 4 && Sig(sig, 3, 4);
}

// When the directory is not where the nearest end record says, there are two
// layouts in real use: the record belongs to an archive stored inside the
// real one's comment (an earlier record then states its directory rightly),
// or bytes were put in front of the archive without adjusting its offsets
// (the directory then ends right before the record). Returns the record to
// use and the amount to add to every offset the directory states.
EndRecord FallbackRecord(platform::File& file, uint64_t size, const EndRecord& nearest,
                         uint32_t* shift) {
  *shift = 0;
  EndRecord earlier;
  uint64_t before = nearest.pos;
  for (int tries = 0; tries < 64 && FindEndRecord(file, size, before, &earlier); ++tries) {
    if (earlier.dirPos < earlier.pos && CentralHeaderAt(file, earlier.dirPos)) return earlier;
    before = earlier.pos;
  }
  if (nearest.dirSize <= nearest.pos) {
    const uint64_t actual = nearest.pos - nearest.dirSize;
    const uint32_t by = static_cast<uint32_t>(actual - nearest.dirPos);
    if (actual != nearest.dirPos && ShiftFindsLocalHeader(file, actual, by)) {
      EndRecord moved = nearest;
      *shift = by;
      moved.dirPos = static_cast<uint32_t>(actual);
      return moved;
    }
  }
  return nearest;
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
  Rec.OffsetShift = 0;
  platform::File file;
  if (file.OpenRead(Name) != 0) return kZipFailed;
  uint64_t size = 0;
  if (!file.Size(&size)) return kZipFailed;
  Rec.UnpackedSize = static_cast<uint32_t>(size);
  if (size == 0) return kZipFailed;
  EndRecord record;
  if (!FindEndRecord(file, size, UINT64_MAX, &record)) return kZipFailed;
  Rec.ReadPos = 0;
  if (record.pos < kCentralHeaderSize) return kZipNotOpen;

  // One seek and one read for an ordinary archive: the directory is loaded
  // where the record says, and only when it is not there is anything else
  // looked at.
  uint64_t resume = 0;  // where the next directory read of a large walk starts
  auto load = [&](const EndRecord& r) -> bool {
    // The directory and the end record's signature, in full 32-bit width.
    const uint32_t span = static_cast<uint32_t>(r.pos - r.dirPos + 4);
    const bool large = span >= kLargeMode;
    Rec.WindowSize = large ? kLargeMode : static_cast<uint16_t>(span);
    const size_t bytes = large ? TailOffset(kLargeMode) + sizeof(LargeTail) : Rec.WindowSize + 1u;
    auto* buf = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (buf == nullptr) return false;
    uint32_t got = 0;
    if (!file.Seek(r.dirPos) || !file.Read(buf, Rec.WindowSize, &got)) {
      std::free(buf);
      return false;
    }
    Rec.Window = buf;
    resume = uint64_t{r.dirPos} + got;
    if (large) {
      LargeTail* tail = new (buf + TailOffset(kLargeMode)) LargeTail;
      tail->valid = got;
    } else {
      Rec.WindowSize = static_cast<uint16_t>(got);  // a short read: only what arrived counts
    }
    return true;
  };
  if (!load(record)) return kZipFailed;
  const uint8_t* first = Rec.Window;
  const bool inPlace = BufferEnd(Rec) >= 4 && (Sig(first, 1, 2) || Sig(first, 5, 6));
  if (!inPlace) {
    const EndRecord other = FallbackRecord(file, size, record, &Rec.OffsetShift);
    if (other.pos != record.pos || other.dirPos != record.dirPos) {
      ZipFindClose(Rec);
      if (!load(other)) return kZipFailed;
    }
  }
  if (IsLarge(Rec)) {
    // The walk keeps the archive open and reads on where the load ended.
    if (!file.Seek(resume)) Tail(Rec)->valid = 0;
    Tail(Rec)->file = std::move(file);
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
