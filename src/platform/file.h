// Portable OS layer of the decompression engine: files, folders, file times
// and attributes, the tick count. POSIX and Win32 implementations live in
// posix/ and win32/; this header never pulls in a system header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
inline constexpr bool kHasDriveLetters = true;
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool kHasDriveLetters = false;
#endif

// The longest path the layer takes, in bytes of UTF-8 without the zero. On
// Windows, paths of MAX_PATH characters or more reach the system through the
// "\\?\" form, so only this bound remains.
inline constexpr size_t kMaxPathBytes = 4095;

// Error codes of the file and folder calls: 0 is success; kPathNotFound means
// a folder on the path does not exist (the one code callers act on); any other
// non-zero value is the system's own code.
inline constexpr int kPathNotFound = 3;
// The file to be created exists already (CreateNew).
inline constexpr int kFileExists = 80;

// A file opened for raw byte reading or writing. Owns its handle; closing is
// automatic, or explicit through Close() when its outcome matters.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file read-only (shared for reading). Returns 0 or an
  // error code.
  int OpenRead(const char* path);
  // Creates the file, or truncates an existing one, for writing. Returns 0 or
  // an error code (kPathNotFound when a folder on the path is missing).
  int OpenWrite(const char* path);
  // Creates a new file for writing; kFileExists when the name is taken.
  // Returns 0 or an error code (kPathNotFound as for OpenWrite).
  int CreateNew(const char* path);

  bool IsOpen() const { return handle_ != kInvalid; }

  static constexpr uint32_t kReadAheadSize = 65536;

  // Reads up to `count` bytes; `*got` receives the number read (0 at the end
  // of the file). False on an I/O error. A file opened with OpenRead is
  // read kReadAheadSize bytes at a time: the small reads and short forward
  // seeks of an archive walked entry by entry make no system call while
  // they stay inside the block last read.
  bool Read(void* buffer, uint32_t count, uint32_t* got);
  // Writes `count` bytes; `*written` receives the number written. False on
  // an I/O error.
  bool Write(const void* buffer, uint32_t count, uint32_t* written);
  // Moves the file position to an absolute offset. False on failure.
  bool Seek(uint64_t position);
  // The file's size in bytes. False when the system cannot tell.
  bool Size(uint64_t* size) const;
  // Sets only the last-write time, from an MS-DOS date and time stamp (time
  // in the low 16 bits, date in the high 16 bits) taken as local time.
  // False, and nothing changed, when the stamp is not a valid calendar time
  // or the system refused.
  bool SetDosTime(uint32_t stamp);
  // Gives the file MS-DOS attribute bits, as SetAttributes does by name.
  // False when the system refused.
  bool SetAttributes(uint16_t attributes);
  // Closes the file; false when the system reported an error.
  bool Close();

 private:
  // The block last read ahead. The system's file position is its end; the
  // file's own position is at + pos.
  struct ReadAhead {
    uint8_t* data = nullptr;  // kReadAheadSize bytes; none: reads go straight through
    uint64_t at = 0;          // the file offset of data[0]
    uint32_t size = 0;        // bytes valid
    uint32_t pos = 0;         // the next byte to deliver
  };
  // The system's read and seek, behind the block.
  bool ReadThrough(void* buffer, uint32_t count, uint32_t* got);
  bool SeekThrough(uint64_t position);
  // Gives a file opened for reading its block; frees it at closing.
  void StartReadAhead();
  void EndReadAhead();

  static constexpr intptr_t kInvalid = -1;
  intptr_t handle_ = kInvalid;
  ReadAhead ahead_;
};

// Deletes a file. False when it could not be deleted.
bool EraseFile(const char* path);
// Gives the file `from` the name `to`, replacing a file of that name in one
// step: readers see the old file or the new one, never a mixture. Both names
// are in the same folder. False, and nothing changed, on failure.
bool RenameOver(const char* from, const char* to);
// True when both names exist and lead to the same file (through links, other
// spellings of the same path, or names differing only in case where the file
// system ignores case).
bool SameFile(const char* a, const char* b);
// Changes the process's current folder. Returns 0 or an error code.
int ChangeDir(const char* path);
// Creates one folder (the parent must exist). Returns 0 or an error code.
int MakeDir(const char* path);
// True when `path` names an existing folder. A trailing separator is allowed.
bool FolderExists(const char* path);
// True when `path` names an existing file or folder.
bool PathExists(const char* path);
// Gives the file MS-DOS attribute bits (read-only 0x01, hidden 0x02, system
// 0x04, archive 0x20). On POSIX only the read-only bit has an effect: it
// removes the write permissions. False when the system refused.
bool SetAttributes(const char* path, uint16_t attributes);
// Milliseconds since some fixed point, wrapping at 2^32.
uint32_t TickCount();

// Calendar fields of an MS-DOS stamp, and whether they form a valid time
// (month 1-12, day within the month, hour < 24, minute < 60, second < 60).
struct DosTime {
  int year, month, day, hour, minute, second;
};
DosTime DosStampToTime(uint32_t stamp);
bool IsValidDosTime(const DosTime& time);

}  // namespace platform
