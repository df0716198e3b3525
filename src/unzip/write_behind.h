// The file side of extracting a whole archive, on a thread of its own:
// while the caller decodes entry N+1, entry N's folders and file are made,
// its data written, stamped and closed. Entries go through strictly in
// order, each to its end before the next begins, and an entry's result is
// final (its write and close errors included) when the caller learns it.
// Without a thread (the system could not make one) every step runs at once
// on the caller's thread, with the same results.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/thread.h"
#include "unzip/engine.h"
#include "unzip/entry_output.h"
#include "unzip/unzip.h"

namespace unzip {

class WriteBehind final : public OutputSink {
 public:
  // For `entries` entries of the archive `archiveName` (which no entry may
  // replace).
  WriteBehind(std::string archiveName, size_t entries);
  // Ends an entry left open as failed, lets the thread finish what it was
  // given and joins it.
  ~WriteBehind();
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // The next entry, one of three kinds. An entry whose result is known
  // without the file system (a refused name, say):
  void Known(TUnzipResult result);
  // A folder entry: the folder `path` and its parents are made.
  void Folder(std::string path);
  // A file: its folder is made, then (when the decoder got as far as the
  // data) the file; Write takes its data until EndFile.
  void BeginFile(std::string path, uint32_t seed);
  // False once the file side has failed this entry: the decoder stops.
  bool Write(const uint8_t* data, uint32_t count) override;
  // The decoder's word: its result, whether it reached the data (else no
  // file is made) and the time stamp.
  void EndFile(TUnzipResult decoded, bool started, uint32_t stamp);

  // The result of the next entry in order, when it is final: waits for it
  // with `wait`, else false when it is not final yet.
  bool Next(bool wait, TUnzipResult* result);

 private:
  // A whole window fits a slot. The caller, finding none free, waits until
  // half of them are; the file side, finding none full, waits for a batch
  // (or the caller's end): the threads then wake each other once a batch
  // rather than at every entry, which counts most where other processes
  // keep the processors busy and every wake-up waits its turn.
  static constexpr uint32_t kSlots = 32;
  static constexpr uint32_t kSlotBytes = 32768;
  static constexpr uint32_t kRefill = kSlots / 2;
  static constexpr uint32_t kBatch = 8;
  static_assert(kSlotBytes >= kWindowSize && kRefill >= 1 && kBatch < kSlots);
  // A piece of one entry's work: its first piece begins the entry, its
  // last ends it; a file's data comes in between.
  // Written by the caller before it is handed over, read by the file side
  // after; never both at once.
  struct Slot {
    uint32_t entry = 0;
    uint32_t size = 0;  // bytes of data
    bool first = false, last = false;
    bool stop = false;            // the thread ends here
    bool started = false;         // first piece of a file: the decoder reached the data
    TUnzipResult decoded = urOk;  // last piece of a file: the decoder's result
    uint32_t stamp = 0;           // ... and the time stamp
    uint8_t* data = nullptr;
  };
  enum class Kind : uint8_t { kKnown, kFolder, kFile };
  // An entry as the caller describes it before its first piece.
  struct Job {
    Kind kind = Kind::kKnown;
    TUnzipResult known = urOk;
    uint32_t seed = 0;
    std::string path;
  };

  Slot& Take();
  void Hand(Slot& slot);
  void Begin(Job job);
  // The file side.
  static void Run(void* self);
  void Process(Slot& slot);
  void StartEntry(const Slot& first);
  TUnzipResult EndEntry(const Slot& last);

  const std::string archive_;
  std::vector<Job> jobs_;
  std::vector<TUnzipResult> results_;
  Slot slots_[kSlots];
  uint8_t* store_ = nullptr;
  uint32_t head_ = 0;       // the caller's next slot
  Slot* open_ = nullptr;    // the slot the caller fills
  uint32_t entries_ = 0;    // entries begun by the caller
  uint32_t collected_ = 0;  // results the caller took
  // The file side's state.
  uint32_t tail_ = 0;      // the next slot to take
  uint32_t finished_ = 0;  // without a thread: results final
  EntryOutput output_;
  TUnzipResult failure_ = urOk;  // the current entry's file side so far
  bool fileOpen_ = false;
  std::string madeFolder_;                         // the last kept file's folder, known to exist
  std::atomic<uint32_t> failedEntry_{UINT32_MAX};  // told to the caller's Write

  platform::Semaphore free_{kSlots};
  platform::Semaphore full_{0};
  platform::Semaphore done_{0};
  platform::Thread thread_;
  bool threaded_ = false;
};

}  // namespace unzip
