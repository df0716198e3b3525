// UnzipEntry: one entry from its local header into one output file.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "common/digits.h"
#include "common/little_endian.h"
#include "platform/file.h"
#include "unzip/decoders.h"
#include "unzip/engine.h"
#include "unzip/unzip.h"

namespace unzip {
namespace {

constexpr uint32_t kBusyTimeoutMs = 30000;
constexpr size_t kNameBufferSize = platform::kMaxPathBytes + 1;  // terminating zero included
constexpr uint16_t kReadOnlyAttr = 0x01;
constexpr uint16_t kFolderAttr = 0x10;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDescriptor = 0x0008;

using q::Le16;
using q::Le32;

// Cuts a text into separator-delimited tokens in place, like strtok but
// keeping empty tokens and holding its position in the object.
class PathTokenizer {
 public:
  explicit PathTokenizer(char* text) : pos_(text) {}
  char* Next() {
    if (pos_ == nullptr) return nullptr;
    char* token = pos_;
    char* sep = std::strchr(pos_, platform::kPathSeparator);
    if (sep != nullptr) {
      *sep = '\0';
      pos_ = sep + 1;
    } else {
      pos_ = nullptr;
    }
    return token;
  }

 private:
  char* pos_;
};

// Makes the folders of `name` one level at a time, each relative to the
// current folder, and leaves the current folder in the deepest one reached.
// The last component (the file name, or the empty text behind a final
// separator) is never made a folder. Works on a copy: the tokenizer cuts it.
void MakeFolderChain(const char* name) {
  char buffer[kNameBufferSize];
  std::strcpy(buffer, name);
  const char* lastSep = std::strrchr(buffer, platform::kPathSeparator);
  const char* lastPart = lastSep != nullptr ? lastSep + 1 : nullptr;
  PathTokenizer tokens(buffer);
  char* token = tokens.Next();
  if (token != nullptr && platform::kHasDriveLetters && token[0] != '\0' && token[1] == ':') {
    char root[4] = {token[0], ':', platform::kPathSeparator, '\0'};
    platform::ChangeDir(root);
    token = tokens.Next();
  } else if (token != nullptr && token[0] == '\0' && token != lastPart) {
    // An absolute path without a drive: start at the root.
    char root[2] = {platform::kPathSeparator, '\0'};
    platform::ChangeDir(root);
    token = tokens.Next();
  }
  while (token != nullptr && token != lastPart) {
    int code = platform::ChangeDir(token);
    if (code != 0) {
      code = platform::MakeDir(token);
      if (code == 0) code = platform::ChangeDir(token);
    }
    if (code != 0) break;
    token = tokens.Next();
  }
}

TUnzipResult Decode(Engine& e, uint16_t method) {
  switch (method) {
    case 0: return CopyStored(e);
    case 1: return UnshrinkEntry(e);
    case 2:
    case 3:
    case 4:
    case 5: return UnreduceEntry(e, method);
    case 6: return ExplodeEntry(e);
    case 8: return InflateEntry(e);
    default: return urNotSupported;
  }
}

// Reads the data descriptor's CRC behind the entry's data. Writers put the
// "PK\7\8" signature before it or not (both forms are in use): four bytes
// equal to the signature are skipped, unless they are the CRC itself (an
// unsigned descriptor whose CRC happens to equal the signature). `actual` is
// the CRC of the data as decoded.
uint32_t ReadDescriptorCrc(Engine& e, uint16_t method, uint32_t actual) {
  constexpr uint32_t kSignature = 0x08074B50u;
  if (method == 0) {
    e.ResetInput();  // the stored copy bypassed the bit reader
  } else {
    e.DumpBits(e.BitCount % 8);
  }
  auto word = [&e] {
    const uint32_t low = e.GetBits(16);
    return low | (e.GetBits(16) << 16);
  };
  const uint32_t first = word();
  if (first != kSignature) return first;
  const uint32_t second = word();
  return (second == actual || first != actual) ? second : first;
}

// The local header's fields that the central directory states too.
struct LocalHeader {
  uint16_t flags, method;
  uint32_t stamp, crc, packed, unpacked;
  uint64_t dataStart;
};

bool ReadLocalHeader(Engine& e, uint32_t offset, LocalHeader* h) {
  uint8_t* p = e.InputBuffer;
  uint32_t got = 0;
  if (!e.ArchiveFile.Seek(offset) || !e.ArchiveFile.Read(p, 30, &got) || got != 30) return false;
  if (p[0] != 0x50 || p[1] != 0x4B || p[2] != 0x03 || p[3] != 0x04) return false;
  *h = LocalHeader{Le16(p + 6),
                   Le16(p + 8),
                   Le32(p + 10),
                   Le32(p + 14),
                   Le32(p + 18),
                   Le32(p + 22),
                   uint64_t{offset} + 30 + Le16(p + 26) + Le16(p + 28)};
  return true;
}

// Flag bits that change how an entry's data is read: encryption, the method's
// options, the data descriptor, strong encryption. Others (the name's
// encoding, for one) may differ between the two headers without harm.
constexpr uint16_t kDecodingFlags = 0x004F;

// True when the local header agrees with the directory. With flag bit 3 a
// local CRC or size may be 0: the descriptor behind the data holds it.
bool AgreesWithDirectory(const LocalHeader& h, const TCentralEntry& c) {
  const bool descriptor = (h.flags & kFlagDescriptor) != 0;
  const auto same = [descriptor](uint32_t local, uint32_t central) {
    return local == central || (descriptor && local == 0);
  };
  return h.method == c.Method && (h.flags & kDecodingFlags) == (c.Flags & kDecodingFlags) &&
         same(h.crc, c.Crc) && same(h.packed, c.Packed) && same(h.unpacked, c.Unpacked);
}

// The name the data is written to before it replaces `name`: a new file in
// the same folder, so that the replacement is a rename. kFileExists never
// comes back unless every try met a taken name.
constexpr size_t kTemporarySize = kNameBufferSize + 16;
static_assert(kTemporarySize >= (kNameBufferSize - 1) + 3 + 5 + 5, "room for the longest name");
int CreateTemporary(Engine& e, const char* name, char (&temp)[kTemporarySize]) {
  const char* sep = std::strrchr(name, platform::kPathSeparator);
  const int folder = sep != nullptr ? static_cast<int>(sep - name + 1) : 0;
  int code = platform::kFileExists;
  for (uint32_t n = 0; n < 64 && code == platform::kFileExists; ++n) {
    // The name's folder, "~qz", five hex digits, ".tmp" and its zero.
    char* end = std::copy_n(name, folder, temp);
    end = q::PutDigits(std::copy_n("~qz", 3, end), (e.Ui.tickCount() * 7u + n * 0x9E37u), 5, 16);
    std::copy_n(".tmp", 5, end);
    code = e.OutputFile.CreateNew(temp);
  }
  return code;
}

// Everything of one call after the busy mark is set; the caller releases the
// window and the mark (`lent`: the archive is already open). Long because it
// is one entry's procedure in the order the result codes need: local header
// and its agreement with the directory, checks, output name and temporary
// file, decoding, sizes and CRC, progress, time stamp and attributes, the
// rename over the target.
TUnzipResult Extract(Engine& e, const char* ArchiveName, bool lent, const char* OutName,
                     uint16_t Attr, uint32_t Offset, const TCentralEntry* central) {
  if (!lent && e.ArchiveFile.OpenRead(ArchiveName) != 0) return urReadError;
  LocalHeader h;
  if (!ReadLocalHeader(e, Offset, &h)) return urArchiveError;
  if (central != nullptr && !AgreesWithDirectory(h, *central)) return urArchiveError;

  e.GeneralFlags = h.flags;
  e.CompressedSize = h.packed;
  e.UncompressedSize = h.unpacked;
  uint32_t expectedCrc = h.crc;
  const bool descriptor = (h.flags & kFlagDescriptor) != 0;
  if (central != nullptr) {
    // The directory's values, which the local header matched or left out.
    e.CompressedSize = central->Packed;
    e.UncompressedSize = central->Unpacked;
    expectedCrc = central->Crc;
  } else if (descriptor && h.method != 0 && h.packed == 0) {
    e.CompressedSize = DescriptorSizeMarker;
    e.UncompressedSize = DescriptorSizeMarker;
    expectedCrc = 0;
  }
  const bool sizesKnown = e.UncompressedSize != DescriptorSizeMarker;
  e.OutputLimit = sizesKnown ? e.UncompressedSize : UINT64_MAX;
  e.BytesWritten = 0;
  e.OutputOverrun = false;
  if (h.method > 31 || !(SupportedMethods() & (1u << h.method))) return urNotSupported;
  if (h.flags & kFlagEncrypted) return urEncrypted;

  e.BytesRead = 0;
  e.ArchiveFile.Seek(h.dataStart);

  // The name buffer holds kMaxPathBytes bytes; a longer name (with the separator
  // a folder entry gets) is refused before anything is made.
  const size_t length = std::strlen(OutName);
  const bool appendSep =
      (Attr & kFolderAttr) && length > 0 && OutName[length - 1] != platform::kPathSeparator;
  if (length + (appendSep ? 1 : 0) >= kNameBufferSize) return urWriteError;
  char name[kNameBufferSize];
  std::memcpy(name, OutName, length + 1);
  if (appendSep) {
    name[length] = platform::kPathSeparator;
    name[length + 1] = '\0';
  }
  const size_t nameLength = std::strlen(name);
  const bool isFolder = nameLength > 0 && name[nameLength - 1] == platform::kPathSeparator;
  if (isFolder) {
    MakeFolderChain(name);
    return urOk;  // no file, no messages, no attributes
  }
  // A new file is written under its own name: should the entry fail, there
  // is nothing to keep but to remove it. An existing one is replaced only
  // once its successor is whole, written under a temporary name until then.
  int code = e.OutputFile.CreateNew(name);
  if (code == platform::kPathNotFound) {
    MakeFolderChain(name);
    code = e.OutputFile.CreateNew(name);
  }
  char temp[kTemporarySize] = "";
  if (code == platform::kFileExists) {
    // An entry named like the archive itself (or reaching it through a
    // link) would replace the file being read.
    if (platform::SameFile(ArchiveName, name)) return urWriteError;
    code = CreateTemporary(e, name, temp);
  }
  if (code != 0) return urWriteError;
  const char* written = temp[0] != '\0' ? temp : name;

  e.InputExhausted = false;
  e.PumpMessages();
  e.LastPercent = 0;
  if (e.NotifyWindow != 0) e.Ui.notify(e.NotifyWindow, e.NotifyId, &e.LastPercent);
  e.RunningCrc = 0xFFFFFFFFu;

  TUnzipResult result = Decode(e, h.method);
  e.RunningCrc = ~e.RunningCrc;
  if (e.OutputOverrun) result = urArchiveError;  // more data than declared
  if (result == urOk && sizesKnown && e.BytesWritten != e.UncompressedSize) {
    result = urArchiveError;  // the data ended short of its declared size
  }
  if (result == urOk && descriptor) {
    // Without the directory the descriptor's CRC is the one to meet; with
    // it, a descriptor that disagrees with the directory is damage.
    const uint32_t described = ReadDescriptorCrc(e, h.method, e.RunningCrc);
    if (central == nullptr) {
      expectedCrc = described;
    } else if (described != expectedCrc) {
      result = urArchiveError;
    }
  }

  if (!lent) e.ArchiveFile.Close();
  if (result == urOk && expectedCrc != e.RunningCrc) result = urCrcError;
  if (result == urOk) {
    e.LastPercent = 100;
    if (e.NotifyWindow != 0) e.Ui.notify(e.NotifyWindow, e.NotifyId, &e.LastPercent);
    if (static_cast<uint16_t>(e.LastPercent) == 0xFFFF) result = urUserAbort;
  }
  // The time and attributes go on the open file, not by its name: no
  // second open. A file that is not kept gets neither.
  if (result == urOk) {
    e.OutputFile.SetDosTime(h.stamp);
    e.OutputFile.SetAttributes(Attr);
  }
  const bool closed = e.OutputFile.Close();
  if (result == urOk && !closed) result = urWriteError;  // data may not have reached the disk
  if (result == urOk && written == temp && !platform::RenameOver(temp, name)) {
    result = urWriteError;
  }
  if (result != urOk) {
    if (Attr & kReadOnlyAttr) platform::SetAttributes(written, 0);  // else it cannot be erased
    platform::EraseFile(written);
  }
  return result;
}

// The archive is opened and closed here or, with `lent`, lent open by the
// caller and handed back open; its name serves to recognise it either way.
TUnzipResult RunOne(Engine& e, const char* ArchiveName, platform::File* lent, const char* OutName,
                    uint16_t Attr, uint32_t Offset, uintptr_t NotifyWindow, int16_t NotifyId,
                    const TCentralEntry* central) {
  e.EngineBusy = true;
  if (lent != nullptr) e.ArchiveFile = std::move(*lent);
  // One window for the engine's life, cleared for each entry: thousands of
  // small entries would otherwise each map and unmap it.
  if (e.WindowStore == nullptr) e.WindowStore = static_cast<uint8_t*>(std::malloc(kWindowSize));
  e.OutputWindow = e.WindowStore;
  if (e.OutputWindow != nullptr) std::memset(e.OutputWindow, 0, kWindowSize);
  e.NotifyWindow = NotifyWindow;
  e.NotifyId = NotifyId;
  e.WindowPos = 0;
  e.ResetInput();
  TUnzipResult result = urWriteError;  // no window, no output
  if (e.OutputWindow != nullptr) {
    result = Extract(e, ArchiveName, lent != nullptr, OutName, Attr, Offset, central);
  }
  if (lent != nullptr) {
    *lent = std::move(e.ArchiveFile);
  } else {
    e.ArchiveFile.Close();
  }
  e.OutputFile.Close();
  e.OutputWindow = nullptr;
  e.EngineBusy = false;
  return result;
}

}  // namespace
}  // namespace unzip

uint32_t SupportedMethods() { return 0x17F; }

const char* UnzipResultName(int32_t result) {
  switch (result) {
    case urBusy: return "urBusy";
    case urOk: return "urOk";
    case urCrcError: return "urCrcError";
    case urWriteError: return "urWriteError";
    case urReadError: return "urReadError";
    case urArchiveError: return "urArchiveError";
    case urUserAbort: return "urUserAbort";
    case urNotSupported: return "urNotSupported";
    case urEncrypted: return "urEncrypted";
    default: return "urUnknown";
  }
}

namespace {

TUnzipResult Run(const char* ArchiveName, platform::File* lent, const char* OutName, uint16_t Attr,
                 uint32_t Offset, uintptr_t NotifyWindow, int16_t NotifyId,
                 const TCentralEntry* Central) {
  unzip::Engine& engine = unzip::TheEngine();
  engine.AbortRequested = false;
  if (!engine.EngineBusy) {
    return unzip::RunOne(engine, ArchiveName, lent, OutName, Attr, Offset, NotifyWindow, NotifyId,
                         Central);
  }
  // A nested call from a message handler is refused, unless the mark has
  // stood for more than 30 s without a pump. The extraction that set it is
  // then stalled further up this very stack, so the call runs on a state of
  // its own: the stalled one finds its window and files intact if it resumes.
  const uint32_t since = engine.Ui.tickCount() - engine.LastPumpTick;
  if (engine.LastPumpTick == 0 || since <= unzip::kBusyTimeoutMs) return urBusy;
  auto nested = std::make_unique<unzip::Engine>();
  nested->Ui = engine.Ui;
  return unzip::RunOne(*nested, ArchiveName, lent, OutName, Attr, Offset, NotifyWindow, NotifyId,
                       Central);
}

}  // namespace

TUnzipResult UnzipEntry(const char* ArchiveName, const char* OutName, uint16_t Attr,
                        uint32_t Offset, uintptr_t NotifyWindow, int16_t NotifyId,
                        const TCentralEntry* Central) {
  return Run(ArchiveName, nullptr, OutName, Attr, Offset, NotifyWindow, NotifyId, Central);
}

TUnzipResult UnzipEntryFrom(platform::File& Archive, const char* ArchiveName, const char* OutName,
                            uint16_t Attr, uint32_t Offset, uintptr_t NotifyWindow,
                            int16_t NotifyId, const TCentralEntry* Central) {
  if (!Archive.IsOpen()) return urReadError;
  return Run(ArchiveName, &Archive, OutName, Attr, Offset, NotifyWindow, NotifyId, Central);
}

void SetEngineUi(const platform::EngineUi& ui) { unzip::TheEngine().Ui = ui; }
platform::EngineUi GetEngineUi() { return unzip::TheEngine().Ui; }
