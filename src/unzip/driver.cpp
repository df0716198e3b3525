// UnzipEntry: one entry from its local header into one output file.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "common/little_endian.h"
#include "platform/file.h"
#include "unzip/decoders.h"
#include "unzip/engine.h"
#include "unzip/entry_output.h"
#include "unzip/unzip.h"

namespace unzip {
namespace {

constexpr uint32_t kBusyTimeoutMs = 30000;
constexpr uint16_t kFolderAttr = 0x10;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDescriptor = 0x0008;

using q::Le16;
using q::Le32;

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

// What the local header and the directory say of an entry's data, once
// they agree.
struct EntryPlan {
  uint16_t method;
  uint32_t stamp, expectedCrc;
  bool descriptor, sizesKnown;
};

// The local header at `Offset`, its agreement with the directory and the
// entry's sizes, method and encryption; the file position at its data.
TUnzipResult PlanEntry(Engine& e, uint32_t Offset, const TCentralEntry* central, EntryPlan* plan) {
  LocalHeader h;
  if (!ReadLocalHeader(e, Offset, &h)) return urArchiveError;
  if (central != nullptr && !AgreesWithDirectory(h, *central)) return urArchiveError;

  e.GeneralFlags = h.flags;
  e.CompressedSize = h.packed;
  e.UncompressedSize = h.unpacked;
  *plan = EntryPlan{h.method, h.stamp, h.crc, (h.flags & kFlagDescriptor) != 0, true};
  if (central != nullptr) {
    // The directory's values, which the local header matched or left out.
    e.CompressedSize = central->Packed;
    e.UncompressedSize = central->Unpacked;
    plan->expectedCrc = central->Crc;
  } else if (plan->descriptor && h.method != 0 && h.packed == 0) {
    e.CompressedSize = DescriptorSizeMarker;
    e.UncompressedSize = DescriptorSizeMarker;
    plan->expectedCrc = 0;
  }
  plan->sizesKnown = e.UncompressedSize != DescriptorSizeMarker;
  e.OutputLimit = plan->sizesKnown ? e.UncompressedSize : UINT64_MAX;
  e.BytesWritten = 0;
  e.OutputOverrun = false;
  if (h.method > 31 || !(SupportedMethods() & (1u << h.method))) return urNotSupported;
  if (h.flags & kFlagEncrypted) return urEncrypted;

  e.BytesRead = 0;
  e.ArchiveFile.Seek(h.dataStart);
  return urOk;
}

// The planned entry's data through e.Output: decoding, sizes, descriptor
// and CRC, the progress messages around it and the receiver's abort.
TUnzipResult DecodePlanned(Engine& e, const EntryPlan& plan, bool lent,
                           const TCentralEntry* central) {
  e.InputExhausted = false;
  e.PumpMessages();
  e.LastPercent = 0;
  if (e.NotifyWindow != 0) e.Ui.notify(e.NotifyWindow, e.NotifyId, &e.LastPercent);
  e.RunningCrc = 0xFFFFFFFFu;
  // The window starts as zeros for the decoders that keep their history in
  // it; inflate keeps its own, and a stored copy only passes through.
  if (plan.method != 0 && plan.method != 8) std::memset(e.OutputWindow, 0, kWindowSize);

  TUnzipResult result = Decode(e, plan.method);
  e.RunningCrc = ~e.RunningCrc;
  if (e.OutputOverrun) result = urArchiveError;  // more data than declared
  if (result == urOk && plan.sizesKnown && e.BytesWritten != e.UncompressedSize) {
    result = urArchiveError;  // the data ended short of its declared size
  }
  uint32_t expectedCrc = plan.expectedCrc;
  if (result == urOk && plan.descriptor) {
    // Without the directory the descriptor's CRC is the one to meet; with
    // it, a descriptor that disagrees with the directory is damage.
    const uint32_t described = ReadDescriptorCrc(e, plan.method, e.RunningCrc);
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
  return result;
}

// Everything of one call after the busy mark is set; the caller releases the
// window and the mark. In the order the result codes need: the archive
// opened, the entry's plan, the name's checks, the output file, the data,
// the file's end.
TUnzipResult Extract(Engine& e, const char* ArchiveName, const char* OutName, uint16_t Attr,
                     uint32_t Offset, const TCentralEntry* central) {
  if (e.ArchiveFile.OpenRead(ArchiveName) != 0) return urReadError;
  EntryPlan plan;
  if (const TUnzipResult planned = PlanEntry(e, Offset, central, &plan); planned != urOk) {
    return planned;
  }

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
  EntryOutput output;
  if (output.Create(ArchiveName, name, e.Ui.tickCount()) != urOk) return urWriteError;
  e.Output = &output;
  const TUnzipResult result = DecodePlanned(e, plan, false, central);
  e.Output = nullptr;
  return output.Finish(result, plan.stamp, Attr);
}

// The archive is opened and closed by `body` or, with `lent`, lent open by
// the caller and handed back open. `body(e)` runs on the engine once its
// window and input are ready.
template <typename Body>
TUnzipResult RunOne(Engine& e, platform::File* lent, uintptr_t NotifyWindow, int16_t NotifyId,
                    const Body& body) {
  e.EngineBusy = true;
  if (lent != nullptr) e.ArchiveFile = std::move(*lent);
  // One window for the engine's life: thousands of small entries would
  // otherwise each map and unmap it.
  if (e.WindowStore == nullptr) e.WindowStore = static_cast<uint8_t*>(std::malloc(kWindowSize));
  e.OutputWindow = e.WindowStore;
  e.NotifyWindow = NotifyWindow;
  e.NotifyId = NotifyId;
  e.WindowPos = 0;
  e.ResetInput();
  TUnzipResult result = urWriteError;  // no window, no output
  if (e.OutputWindow != nullptr) result = body(e);
  if (lent != nullptr) {
    *lent = std::move(e.ArchiveFile);
  } else {
    e.ArchiveFile.Close();
  }
  e.Output = nullptr;
  e.OutputWindow = nullptr;
  e.EngineBusy = false;
  return result;
}

template <typename Body>
TUnzipResult Run(platform::File* lent, uintptr_t NotifyWindow, int16_t NotifyId, const Body& body) {
  Engine& engine = TheEngine();
  engine.AbortRequested = false;
  if (!engine.EngineBusy) return RunOne(engine, lent, NotifyWindow, NotifyId, body);
  // A nested call from a message handler is refused, unless the mark has
  // stood for more than 30 s without a pump. The extraction that set it is
  // then stalled further up this very stack, so the call runs on a state of
  // its own: the stalled one finds its window and files intact if it resumes.
  const uint32_t since = engine.Ui.tickCount() - engine.LastPumpTick;
  if (engine.LastPumpTick == 0 || since <= kBusyTimeoutMs) return urBusy;
  auto nested = std::make_unique<Engine>();
  nested->Ui = engine.Ui;
  return RunOne(*nested, lent, NotifyWindow, NotifyId, body);
}

}  // namespace

TUnzipResult DecodeEntryFrom(platform::File& archive, uint32_t offset, const TCentralEntry& central,
                             OutputSink& sink, bool* started, uint32_t* stamp) {
  *started = false;
  if (!archive.IsOpen()) return urReadError;
  return Run(&archive, 0, 0, [&](Engine& e) {
    EntryPlan plan;
    if (const TUnzipResult planned = PlanEntry(e, offset, &central, &plan); planned != urOk) {
      return planned;
    }
    *started = true;
    *stamp = plan.stamp;
    e.Output = &sink;
    return DecodePlanned(e, plan, true, &central);
  });
}

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

TUnzipResult UnzipEntry(const char* ArchiveName, const char* OutName, uint16_t Attr,
                        uint32_t Offset, uintptr_t NotifyWindow, int16_t NotifyId,
                        const TCentralEntry* Central) {
  return unzip::Run(nullptr, NotifyWindow, NotifyId, [&](unzip::Engine& e) {
    return unzip::Extract(e, ArchiveName, OutName, Attr, Offset, Central);
  });
}

void SetEngineUi(const platform::EngineUi& ui) { unzip::TheEngine().Ui = ui; }
platform::EngineUi GetEngineUi() { return unzip::TheEngine().Ui; }
