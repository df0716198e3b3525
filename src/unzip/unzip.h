// The decompression engine's one public operation: extract one ZIP entry,
// given the offset of its local header, into one output file.
#pragma once

#include <cstdint>

#include "platform/engine_ui.h"
#include "platform/file.h"

// Result of an extraction; every decoder answers with the same codes.
enum TUnzipResult : int32_t {
  urBusy = -1,         // an extraction is already in progress
  urOk = 0,            // entry extracted, or folder entry created
  urCrcError = 1,      // the output's CRC-32 differs from the expected one
  urWriteError = 2,    // the output cannot be created or written
  urReadError = 3,     // the archive cannot be opened, or the input ran out
  urArchiveError = 4,  // bad seek, header or signature, or malformed data
  urUserAbort = 5,     // the user asked to abort
  urNotSupported = 6,  // compression method not supported
  urEncrypted = 7,     // the entry is encrypted
};

// "urOk", "urCrcError", ...; "urUnknown" for any other value.
const char* UnzipResultName(int32_t result);

// Sizes in a local header that carries none (bit 3 set, sizes 0): the data
// is then read until the decoder meets its end.
inline constexpr uint32_t DescriptorSizeMarker = 2147483547u;  // 0x7FFFFF9B

// Bit n set: method n is supported (0 stored, 1 shrunk, 2-5 reduced,
// 6 imploded, 8 deflated).
uint32_t SupportedMethods();

// What the central directory says of an entry. The local header must agree
// with it (a local CRC or size may be 0 when flag bit 3 puts the values in a
// data descriptor); the entry is then decoded with these sizes and checked
// against this CRC, whatever the local header or a descriptor holds.
struct TCentralEntry {
  uint32_t Packed;
  uint32_t Unpacked;
  uint32_t Crc;
  uint16_t Method;
  uint16_t Flags;
};

// Extracts the entry whose local header is at `Offset` in `ArchiveName` into
// `OutName` (UTF-8, at most platform::kMaxPathBytes bytes; missing folders
// are made). `Attr` goes
// to the output on success (bit 0x10 marks a folder entry). `NotifyWindow`
// receives WM_COMMAND progress messages with `NotifyId`; with no window, a
// non-zero `NotifyId` is a virtual key that aborts while held down.
// Changes the process's current folder when it makes folders. `Central`,
// when given, is the directory's word on the entry (see TCentralEntry).
// The data goes to a new file beside `OutName` that replaces it only once
// complete and checked: a failed entry leaves what was there before. The
// output never grows past the declared uncompressed size (more data is an
// archive error), and an entry that would replace the archive is refused.
TUnzipResult UnzipEntry(const char* ArchiveName, const char* OutName, uint16_t Attr,
                        uint32_t Offset, uintptr_t NotifyWindow, int16_t NotifyId,
                        const TCentralEntry* Central = nullptr);

// Replaces the engine's message pump, key state, progress message and clock
// (the defaults talk to the window system on Windows).
void SetEngineUi(const platform::EngineUi& ui);
platform::EngineUi GetEngineUi();
