// The decompression engine's one public operation: extract one ZIP entry,
// given the offset of its local header, into one output file.
#pragma once

#include <cstdint>

#include "platform/engine_ui.h"
#include "platform/file.h"

// Result of an extraction; every decoder answers with the same codes.
enum TUnzipResult : int32_t {
  urBusy = -1,          // an extraction is already in progress
  urOk = 0,             // entry extracted, or folder entry created
  urCrcError = 1,       // the output's CRC-32 differs from the expected one
  urWriteError = 2,     // the output cannot be created or written
  urReadError = 3,      // the archive cannot be opened, or the input ran out
  urArchiveError = 4,   // bad seek, header or signature, or malformed data
  urUserAbort = 5,      // the user asked to abort
  urNotSupported = 6,   // compression method not supported
  urEncrypted = 7,      // the entry is encrypted
};

// "urOk", "urCrcError", ...; "urUnknown" for any other value.
const char* UnzipResultName(int32_t result);

// Sizes in a local header that carries none (bit 3 set, sizes 0): the data
// is then read until the decoder meets its end.
inline constexpr uint32_t DescriptorSizeMarker = 2147483547u;  // 0x7FFFFF9B

// Bit n set: method n is supported (0 stored, 1 shrunk, 2-5 reduced,
// 6 imploded, 8 deflated).
uint32_t SupportedMethods();

// The sizes the central directory gives an entry. A stored entry whose local
// header leaves its sizes out (flag bit 3, sizes 0) can only be copied with
// them: its data has no end mark of its own.
struct TCentralSizes {
  uint32_t Packed;
  uint32_t Unpacked;
};

// Extracts the entry whose local header is at `Offset` in `ArchiveName` into
// `OutName` (at most 259 characters; missing folders are made). `Attr` goes
// to the output on success (bit 0x10 marks a folder entry). `NotifyWindow`
// receives WM_COMMAND progress messages with `NotifyId`; with no window, a
// non-zero `NotifyId` is a virtual key that aborts while held down.
// Changes the process's current folder when it makes folders. `Central`,
// when given, supplies the sizes a stored entry's local header leaves out.
TUnzipResult UnzipEntry(const char* ArchiveName, const char* OutName, uint16_t Attr,
                        uint32_t Offset, uintptr_t NotifyWindow, int16_t NotifyId,
                        const TCentralSizes* Central = nullptr);

// The same with the archive opened by the caller (OpenRead), who keeps it
// open across the entries of one archive instead of opening it for each.
// The file position is the engine's to move; the file stays open.
TUnzipResult UnzipEntryFrom(platform::File& Archive, const char* OutName, uint16_t Attr,
                            uint32_t Offset, uintptr_t NotifyWindow, int16_t NotifyId,
                            const TCentralSizes* Central = nullptr);

// Replaces the engine's message pump, key state, progress message and clock
// (the defaults talk to the window system on Windows).
void SetEngineUi(const platform::EngineUi& ui);
platform::EngineUi GetEngineUi();
