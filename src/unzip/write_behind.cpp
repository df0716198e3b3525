#include "unzip/write_behind.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/file.h"
#include "unzip/extract.h"

namespace unzip {
namespace {

// The folder part of a file's path, its separator included.
std::string FolderOf(const std::string& path) {
  return path.substr(0, path.rfind(platform::kPathSeparator) + 1);
}

}  // namespace

WriteBehind::WriteBehind(std::string archiveName, size_t entries)
    : archive_(std::move(archiveName)), jobs_(entries), results_(entries, urOk) {
  store_ = static_cast<uint8_t*>(std::malloc(size_t{kSlots} * kSlotBytes));
  for (uint32_t i = 0; i < kSlots && store_ != nullptr; ++i) {
    slots_[i].data = store_ + size_t{i} * kSlotBytes;
  }
  threaded_ = free_.Valid() && full_.Valid() && done_.Valid() && thread_.Start(&Run, this);
}

WriteBehind::~WriteBehind() {
  // A file whose decoding never ended is not kept.
  if (open_ != nullptr) EndFile(urWriteError, false, 0);
  if (threaded_) {
    full_.Hurry();
    Slot& stop = Take();
    stop.stop = true;
    Hand(stop);
    thread_.Join();
  }
  std::free(store_);
}

WriteBehind::Slot& WriteBehind::Take() {
  if (threaded_ && !free_.TryWait()) free_.Wait(kRefill);
  Slot& slot = slots_[head_++ % kSlots];
  slot.size = 0;
  slot.first = slot.last = slot.stop = slot.started = false;
  return slot;
}

void WriteBehind::Hand(Slot& slot) {
  if (threaded_) {
    full_.Post();
  } else {
    Process(slot);
  }
}

void WriteBehind::Begin(Job job) {
  jobs_[entries_] = std::move(job);
  open_ = &Take();
  open_->entry = entries_++;
  open_->first = true;
}

void WriteBehind::Known(TUnzipResult result) {
  Begin(Job{Kind::kKnown, result, 0, {}});
  open_->last = true;
  Hand(*std::exchange(open_, nullptr));
}

void WriteBehind::Folder(std::string path) {
  Begin(Job{Kind::kFolder, urOk, 0, std::move(path)});
  open_->last = true;
  Hand(*std::exchange(open_, nullptr));
}

void WriteBehind::BeginFile(std::string path, uint32_t seed) {
  Begin(Job{Kind::kFile, urOk, seed, std::move(path)});
}

bool WriteBehind::Write(const uint8_t* data, uint32_t count) {
  if (open_->data == nullptr || failedEntry_.load() == open_->entry) return false;
  while (count > 0) {
    if (open_->size == kSlotBytes) {
      const uint32_t entry = open_->entry;
      open_->started = open_->first;
      Hand(*open_);
      open_ = &Take();
      open_->entry = entry;
    }
    const uint32_t n = std::min(count, kSlotBytes - open_->size);
    std::memcpy(open_->data + open_->size, data, n);
    open_->size += n;
    data += n;
    count -= n;
  }
  return true;
}

void WriteBehind::EndFile(TUnzipResult decoded, bool started, uint32_t stamp) {
  if (open_->first) open_->started = started;
  open_->last = true;
  open_->decoded = decoded;
  open_->stamp = stamp;
  Hand(*std::exchange(open_, nullptr));
}

bool WriteBehind::Next(bool wait, TUnzipResult* result) {
  if (collected_ == entries_) return false;
  if (threaded_) {
    if (wait) {
      full_.Hurry();  // nothing more comes: the file side stops batching
      done_.Wait();
    } else if (!done_.TryWait()) {
      return false;
    }
  } else if (collected_ == finished_) {
    return false;
  }
  *result = results_[collected_++];
  return true;
}

// --- The file side ----------------------------------------------------------

void WriteBehind::Run(void* self) {
  auto* w = static_cast<WriteBehind*>(self);
  for (;;) {
    if (!w->full_.TryWait()) w->full_.Wait(kBatch);
    Slot& slot = w->slots_[w->tail_++ % kSlots];
    if (slot.stop) break;
    w->Process(slot);
    w->free_.Post();
  }
}

void WriteBehind::Process(Slot& slot) {
  if (slot.first) StartEntry(slot);
  if (slot.size != 0 && fileOpen_ && failure_ == urOk && !output_.Write(slot.data, slot.size)) {
    failure_ = urWriteError;
    failedEntry_.store(slot.entry);  // the decoder need not go on
  }
  if (!slot.last) return;
  results_[slot.entry] = EndEntry(slot);
  if (threaded_) {
    done_.Post();
  } else {
    ++finished_;
  }
}

void WriteBehind::StartEntry(const Slot& first) {
  const Job& job = jobs_[first.entry];
  failure_ = urOk;
  fileOpen_ = false;
  if (job.kind != Kind::kFile) return;
  // The folders are made here from the whole path, which works at any
  // length, rather than by the engine one current folder at a time, which
  // stops where a current folder can reach no deeper. The current folder
  // is left in the new folder as the engine would leave it. Entries come
  // folder by folder: the folder of the one before needs no second look.
  const std::string parent = FolderOf(job.path);
  if (parent != madeFolder_ && !FolderExists(parent)) {
    ForceFolders(parent);
    platform::ChangeDir(parent.c_str());
  }
  if (!first.started) return;
  failure_ = output_.Create(archive_.c_str(), job.path.c_str(), job.seed);
  fileOpen_ = failure_ == urOk;
}

TUnzipResult WriteBehind::EndEntry(const Slot& last) {
  const Job& job = jobs_[last.entry];
  switch (job.kind) {
    case Kind::kKnown: return job.known;
    case Kind::kFolder: ForceFolders(job.path); return FolderExists(job.path) ? urOk : urWriteError;
    case Kind::kFile: break;
  }
  // Not started: no file. Not made, or a write failed: the decoder's later
  // findings never come first, as they would not have on one thread.
  if (!fileOpen_) return failure_ != urOk ? failure_ : last.decoded;
  fileOpen_ = false;
  const TUnzipResult result =
      output_.Finish(failure_ != urOk ? failure_ : last.decoded, last.stamp, 0);
  if (result == urOk) madeFolder_ = FolderOf(job.path);
  return result;
}

}  // namespace unzip
