// UnzipEntry: one entry from its local header into one output file.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/little_endian.h"
#include "platform/file.h"
#include "unzip/decoders.h"
#include "unzip/engine.h"
#include "unzip/unzip.h"

namespace unzip {
namespace {

constexpr uint32_t kBusyTimeoutMs = 30000;
constexpr size_t kNameBufferSize = 260;  // terminating zero included
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
    case 2: case 3: case 4: case 5: return UnreduceEntry(e, method);
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

// Long because it is one entry's procedure in the order the result codes
// need: local header, checks, output name and file, decoding, CRC, time
// stamp, progress and attributes.
// Everything of one call after the busy mark is set; the caller releases the
// window and the mark.
TUnzipResult Extract(Engine& e, const char* ArchiveName, const char* OutName, uint16_t Attr,
                     uint32_t Offset, const TCentralSizes* central) {
  if (e.ArchiveFile.OpenRead(ArchiveName) != 0) return urReadError;
  if (!e.ArchiveFile.Seek(Offset)) return urArchiveError;
  uint32_t got = 0;
  if (!e.ArchiveFile.Read(e.InputBuffer, 30, &got) || got != 30) return urArchiveError;
  const uint8_t* h = e.InputBuffer;
  if (h[0] != 0x50 || h[1] != 0x4B || h[2] != 0x03 || h[3] != 0x04) return urArchiveError;

  const uint64_t dataStart = uint64_t{Offset} + Le16(h + 26) + Le16(h + 28) + 30;
  const uint32_t stamp = Le32(h + 10);
  const uint16_t method = Le16(h + 8);
  e.CompressedSize = Le32(h + 18);
  e.UncompressedSize = Le32(h + 22);
  uint32_t expectedCrc = Le32(h + 14);
  e.GeneralFlags = Le16(h + 6);
  if ((e.GeneralFlags & kFlagDescriptor) && method != 0 && e.CompressedSize == 0) {
    e.CompressedSize = DescriptorSizeMarker;
    e.UncompressedSize = DescriptorSizeMarker;
    expectedCrc = 0;
  }
  if ((e.GeneralFlags & kFlagDescriptor) && method == 0 && e.CompressedSize == 0 &&
      central != nullptr) {
    // Stored data does not end itself: without the directory's size the copy
    // would take the data for the descriptor.
    e.CompressedSize = central->Packed;
    e.UncompressedSize = central->Unpacked;
  }
  if (method > 31 || !(SupportedMethods() & (1u << method))) return urNotSupported;
  if (e.GeneralFlags & kFlagEncrypted) return urEncrypted;

  e.BytesRead = 0;
  e.ArchiveFile.Seek(dataStart);

  // The name buffer holds 259 characters; a longer name (with the separator
  // a folder entry gets) is refused before anything is made.
  const size_t length = std::strlen(OutName);
  const bool appendSep = (Attr & kFolderAttr) && length > 0 &&
                         OutName[length - 1] != platform::kPathSeparator;
  if (length + (appendSep ? 1 : 0) >= kNameBufferSize) return urWriteError;
  char name[kNameBufferSize];
  std::memcpy(name, OutName, length + 1);
  if (appendSep) {
    name[length] = platform::kPathSeparator;
    name[length + 1] = '\0';
  }
  const size_t nameLength = std::strlen(name);
  const bool isFolder = nameLength > 0 && name[nameLength - 1] == platform::kPathSeparator;
  int code = isFolder ? 0 : e.OutputFile.OpenWrite(name);
  if (code == platform::kPathNotFound || isFolder) {
    MakeFolderChain(name);
    if (isFolder) return urOk;  // no file, no messages, no attributes
    code = e.OutputFile.OpenWrite(name);
  }
  if (code != 0) return urWriteError;

  e.InputExhausted = false;
  e.PumpMessages();
  e.LastPercent = 0;
  if (e.NotifyWindow != 0) e.Ui.notify(e.NotifyWindow, e.NotifyId, &e.LastPercent);
  e.RunningCrc = 0xFFFFFFFFu;

  TUnzipResult result = Decode(e, method);
  e.RunningCrc = ~e.RunningCrc;
  if (result == urOk && (e.GeneralFlags & kFlagDescriptor)) {
    expectedCrc = ReadDescriptorCrc(e, method, e.RunningCrc);
  }

  e.ArchiveFile.Close();
  e.OutputFile.SetDosTime(stamp);  // whatever the decoder's result
  const bool closed = e.OutputFile.Close();
  if (result == urOk && !closed) result = urWriteError;  // data may not have reached the disk

  if (result != urOk) {
    platform::EraseFile(name);
    return result;
  }
  if (expectedCrc != e.RunningCrc) {
    platform::EraseFile(name);
    return urCrcError;
  }
  e.LastPercent = 100;
  if (e.NotifyWindow != 0) e.Ui.notify(e.NotifyWindow, e.NotifyId, &e.LastPercent);
  if (static_cast<uint16_t>(e.LastPercent) == 0xFFFF) {
    platform::EraseFile(name);
    return urUserAbort;
  }
  platform::SetAttributes(OutName, Attr);
  return urOk;
}

TUnzipResult RunOne(Engine& e, const char* ArchiveName, const char* OutName, uint16_t Attr,
                    uint32_t Offset, uintptr_t NotifyWindow, int16_t NotifyId,
                    const TCentralSizes* central) {
  e.EngineBusy = true;
  e.OutputWindow = static_cast<uint8_t*>(std::calloc(kWindowSize, 1));
  e.NotifyWindow = NotifyWindow;
  e.NotifyId = NotifyId;
  e.WindowPos = 0;
  e.ResetInput();
  TUnzipResult result = urWriteError;  // no window, no output
  if (e.OutputWindow != nullptr) result = Extract(e, ArchiveName, OutName, Attr, Offset, central);
  e.ArchiveFile.Close();
  e.OutputFile.Close();
  std::free(e.OutputWindow);
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

TUnzipResult UnzipEntry(const char* ArchiveName, const char* OutName, uint16_t Attr,
                        uint32_t Offset, uintptr_t NotifyWindow, int16_t NotifyId,
                        const TCentralSizes* Central) {
  unzip::Engine& engine = unzip::TheEngine();
  engine.AbortRequested = false;
  if (!engine.EngineBusy) {
    return unzip::RunOne(engine, ArchiveName, OutName, Attr, Offset, NotifyWindow, NotifyId,
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
  return unzip::RunOne(*nested, ArchiveName, OutName, Attr, Offset, NotifyWindow, NotifyId,
                       Central);
}

void SetEngineUi(const platform::EngineUi& ui) { unzip::TheEngine().Ui = ui; }
platform::EngineUi GetEngineUi() { return unzip::TheEngine().Ui; }
