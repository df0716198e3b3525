#include "unzip/zipread.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

// Reads the fixed fields of the central header `h` into the record.
void ReadHeaderFields(TZipSearchRec& rec, const uint8_t* h, uint32_t shift) {
  rec.UnpackedSize = Le32(h + 24);
  rec.PackedSize = Le32(h + 20);
  rec.FileTime = Le32(h + 12);
  rec.EntryCrc = Le32(h + 16);
  rec.GpFlags = Le16(h + 8);
  rec.MethodCode = Le16(h + 10);
  rec.LocalHeaderPos = Le32(h + 42) + shift;
  rec.DosAttr = h[5] == 0 ? h[38] : 0;
}

// The entry's name, decoded once (UTF-8 from here on), from the central
// header `h` followed by `nameBytes` bytes of its name and, when `extra`
// is set, its whole extra field.
void ReadEntryName(TZipSearchRec& rec, const uint8_t* h, uint32_t nameBytes, const uint8_t* extra,
                   uint32_t extraBytes) {
  rec.NameValid = unzip::DecodeEntryName(
      {h + kCentralHeaderSize, nameBytes, rec.GpFlags, h[5], extra, extra ? extraBytes : 0},
      platform::kPathSeparator, rec.EntryName);
}

struct EndRecord {
  uint64_t pos = 0;      // file offset of the record
  uint32_t dirPos = 0;   // directory offset it states
  uint32_t dirSize = 0;  // directory size it states
  uint16_t entries = 0;  // entries it counts (the low 16 bits of the count)
};

}  // namespace

// Everything an open walk owns. The buffer holds the whole directory and the
// end record's signature when that is less than 64,000 bytes (the archive is
// then closed at once); otherwise 64,000 bytes of it at a time, read again
// from the archive, which stays open with the walk, wherever the next header
// lies. A header is read at most up to the end of its name: the rest (extra
// field, comment, each up to 65,535 bytes) is only stepped over.
class ZipWalk {
 public:
  ZipWalk() = default;
  ~ZipWalk() { std::free(buffer_); }
  ZipWalk(const ZipWalk&) = delete;
  ZipWalk& operator=(const ZipWalk&) = delete;

  platform::File file;
  uint64_t next = 0;      // file offset of the next central header
  uint64_t end = 0;       // file offset of the end record: no header reaches past it
  uint32_t shift = 0;     // added to every offset the directory states
  uint32_t walked = 0;    // entries delivered so far
  uint16_t expected = 0;  // the end record's count

  // Loads the directory that the end record `r` states, from its start.
  bool Load(const EndRecord& r) {
    end = r.pos;
    next = r.dirPos;
    expected = r.entries;
    const uint64_t span = r.dirPos <= r.pos ? r.pos - r.dirPos + 4 : 4;
    capacity_ = span >= kLargeMode ? kLargeMode : static_cast<uint32_t>(span);
    std::free(buffer_);
    buffer_ = static_cast<uint8_t*>(std::calloc(capacity_ + 1u, 1));
    valid_ = 0;
    return buffer_ != nullptr && Fill(r.dirPos);
  }
  bool Large() const { return capacity_ == kLargeMode; }
  // `count` bytes at file offset `pos`, or null when the archive has not so
  // many there. Earlier results may move when the buffer is read anew.
  const uint8_t* At(uint64_t pos, uint32_t count) {
    if (pos >= start_ && pos - start_ + count <= valid_) return buffer_ + (pos - start_);
    if (!file.IsOpen() || count > capacity_ || !Fill(pos) || count > valid_) return nullptr;
    return buffer_;
  }
  // True when the entries walked are the ones the end record counts: equal
  // in the low 16 bits, as writers wrap the count (or hold 0xFFFF) for 65,536
  // entries or more.
  bool CountMatches() const {
    return static_cast<uint16_t>(walked) == expected || (expected == 0xFFFF && walked > 0xFFFF);
  }
  // The record's view of the buffer.
  void Show(TZipSearchRec& rec) const {
    rec.Window = buffer_;
    rec.WindowSize = Large() ? kLargeMode : static_cast<uint16_t>(valid_);
    rec.ReadPos =
        next >= start_ && next - start_ <= valid_ ? static_cast<uint16_t>(next - start_) : 0;
  }

 private:
  // Reads as much of the directory from `pos` on as the buffer holds.
  bool Fill(uint64_t pos) {
    const uint64_t left = pos <= end + 4 ? end + 4 - pos : 0;
    const uint32_t want = left < capacity_ ? static_cast<uint32_t>(left) : capacity_;
    valid_ = 0;
    start_ = pos;
    return file.Seek(pos) && file.Read(buffer_, want, &valid_);
  }

  uint8_t* buffer_ = nullptr;
  uint32_t capacity_ = 0;  // buffer bytes (one more is allocated)
  uint32_t valid_ = 0;     // bytes read into the buffer
  uint64_t start_ = 0;     // file offset of the buffer's first byte
};

namespace {

// Reads the header at the walk's position into the record. The directory
// ends where no central header follows; the entries walked must then be the
// ones the end record counts.
int HeaderStep(TZipSearchRec& rec) {
  ZipWalk& w = *rec.Walk;
  const uint8_t* h = w.At(w.next, 4);
  if (h == nullptr || !Sig(h, 1, 2)) return w.CountMatches() ? kZipEnd : kZipDamaged;
  h = w.At(w.next, kCentralHeaderSize);
  if (h == nullptr) return kZipDamaged;
  const uint32_t nameLength = Le16(h + 28);
  const uint64_t span = kCentralHeaderSize + nameLength + Le16(h + 30) + Le16(h + 32);
  if (w.next + span > w.end) return kZipDamaged;  // runs into the end record
  // The name with the extra field (a Unicode path may be there) when both
  // fit the buffer; else as much of the name as a delivered name can use.
  const uint32_t extraLength = Le16(h + 30);
  const uint8_t* whole = w.At(w.next, kCentralHeaderSize + nameLength + extraLength);
  if (whole != nullptr) {
    ReadHeaderFields(rec, whole, w.shift);
    ReadEntryName(rec, whole, nameLength, whole + kCentralHeaderSize + nameLength, extraLength);
  } else {
    const uint32_t used = std::min<uint32_t>(nameLength, sizeof(rec.EntryName) - 1);
    h = w.At(w.next, kCentralHeaderSize + used);
    if (h == nullptr) return kZipDamaged;
    ReadHeaderFields(rec, h, w.shift);
    ReadEntryName(rec, h, used, nullptr, 0);
  }
  w.next += span;
  ++w.walked;
  w.Show(rec);
  return kZipOk;
}

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
        found->entries = Le16(buf + i + 10);
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
  Rec.Walk = nullptr;
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

  Rec.Walk = new ZipWalk;  // a few words: its buffer is the large part
  ZipWalk& walk = *Rec.Walk;
  walk.file = std::move(file);
  // One seek and one read for an ordinary archive: the directory is loaded
  // where the record says, and only when it is not there is anything else
  // looked at.
  bool loaded = walk.Load(record);
  const uint8_t* first = loaded ? walk.At(record.dirPos, 4) : nullptr;
  if (loaded && (first == nullptr || !(Sig(first, 1, 2) || Sig(first, 5, 6)))) {
    const EndRecord other = FallbackRecord(walk.file, size, record, &walk.shift);
    if (other.pos != record.pos || other.dirPos != record.dirPos) loaded = walk.Load(other);
  }
  if (!loaded) {
    ZipFindClose(Rec);
    return kZipFailed;
  }
  if (!walk.Large()) walk.file.Close();  // the buffer holds it all
  walk.Show(Rec);
  const int rc = HeaderStep(Rec);
  if (rc != kZipOk) ZipFindClose(Rec);
  return rc;
}

int ZipFindNext(TZipSearchRec& Rec) {
  if (Rec.Walk == nullptr) return kZipNotOpen;
  const int rc = HeaderStep(Rec);
  if (rc != kZipOk) ZipFindClose(Rec);
  return rc;
}

void ZipFindClose(TZipSearchRec& Rec) {
  delete Rec.Walk;
  Rec.Walk = nullptr;
  Rec.Window = nullptr;
}
