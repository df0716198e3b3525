#include "unzip/engine.h"

#include <cstring>

#include "unzip/crc32.h"

namespace unzip {

Engine& TheEngine() {
  static Engine engine;
  return engine;
}

void Engine::UpdateCrc32(const uint8_t* data, uint32_t count) {
  RunningCrc = Crc32Update(RunningCrc, data, count);
}

void Engine::PumpMessages() {
  LastPumpTick = Ui.tickCount();
  Ui.pumpMessages(NotifyWindow);
}

void Engine::UpdateProgress() {
  if (CompressedSize == 0) return;
  uint32_t percent;
  if (BytesRead <= 1000000) {
    percent = static_cast<uint32_t>(BytesRead * 100 / CompressedSize);
  } else {
    percent = static_cast<uint32_t>(static_cast<double>(BytesRead) * 100.0 /
                                    static_cast<double>(CompressedSize));
  }
  if (percent > 100) percent = 100;
  if (static_cast<int16_t>(percent) == LastPercent) return;
  LastPercent = static_cast<int16_t>(percent);
  if (NotifyWindow != 0) {
    int16_t copy = LastPercent;
    Ui.notify(NotifyWindow, NotifyId, &copy);
    AbortRequested = static_cast<uint16_t>(copy) == 0xFFFF;
  } else if (NotifyId != 0) {
    AbortRequested = Ui.keyDown(NotifyId);
  }
}

void Engine::RefillInput() {
  if (static_cast<uint64_t>(CompressedSize) + kReadSlack <= BytesRead) {
    // Past the entry's data and its descriptor: stop reading; the buffer
    // keeps delivering what it holds.
    InputLast = static_cast<int32_t>(kInputSize) - 1;
    InputExhausted = true;
  } else {
    PumpMessages();
    UpdateProgress();
    uint32_t count = 0;
    bool ok;
    if (Memory.input != nullptr) {
      const size_t left = Memory.inputSize - Memory.inputPos;
      count = static_cast<uint32_t>(left < kInputSize ? left : kInputSize);
      std::memcpy(InputBuffer, Memory.input + Memory.inputPos, count);
      Memory.inputPos += count;
      ok = true;
    } else {
      ok = ArchiveFile.Read(InputBuffer, kInputSize, &count);
    }
    if (!ok || count == 0) {
      count = kInputSize;
      InputExhausted = true;
    }
    BytesRead += count;
    InputLast = static_cast<int32_t>(count) - 1;
  }
  InputPos = 0;
}

bool Engine::FlushBytes(const uint8_t* data, uint32_t count) {
  if (count > OutputLimit - BytesWritten) {
    OutputOverrun = true;
    return false;
  }
  BytesWritten += count;
  bool ok = true;
  if (Memory.sink != nullptr) {
    Memory.sink(Memory.sinkContext, data, count);
  } else {
    ok = Output != nullptr && Output->Write(data, count);
  }
  UpdateCrc32(data, count);
  return ok;
}

TUnzipResult CopyStored(Engine& e) {
  while (e.BytesRead < e.CompressedSize && !e.AbortRequested) {
    const uint64_t left = e.CompressedSize - e.BytesRead;
    const uint32_t n = left < kWindowSize ? static_cast<uint32_t>(left) : kWindowSize;
    uint32_t got = 0;
    if (!e.ArchiveFile.Read(e.OutputWindow, n, &got) || got < n) return urReadError;
    if (!e.FlushWindow(n)) return urWriteError;
    e.BytesRead += n;
    e.PumpMessages();
    e.UpdateProgress();
  }
  return e.AbortRequested ? urUserAbort : urOk;
}

}  // namespace unzip
