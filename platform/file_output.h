// Writing a file so that a failure never costs what its name held.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace t2j {

// Past the file size limit the kernel ends a writing process with SIGXFSZ unless the signal is
// ignored; ignored, the write fails with EFBIG and the program can say so. Ignores it unless
// someone installed a handler. Safe to call more than once.
void IgnoreFileSizeSignal();

// Leaves SIGXFSZ as the program has it from now on: a FileReplacement no longer ignores it on its
// first write. For a library inside another program, whose signals are the program's; the
// library keeps the signal blocked in its own thread while it writes instead.
void LeaveFileSizeSignal();

// Writes all of `bytes` to the descriptor, retrying interrupted and partial writes until every
// byte is written. Returns 0, or the errno value of a write that can put no further byte (disk
// full, file size limit); an empty `bytes` writes nothing and succeeds.
[[nodiscard]] int WriteAll(int fd, std::string_view bytes);

// What happens to a name that does not exist yet while its content is being written.
enum class NewName {
  // Created empty when it is opened, as creating a file for writing does; a content that fails
  // on its way (the encoder refusing the picture) leaves it empty, a failed write removes it.
  kCreateFirst,
  // Appears only with its whole content: until then nothing under the name exists.
  kWhenWhole,
};

class CommitGroup;

// New content streamed into a file name, so that a failure at any point leaves what the name
// held. Open checks the name the way creating the file would and makes a temporary file beside
// it; Write appends to that file; Commit flushes it to the disk and renames it over the name,
// then flushes the directory, so that the name holds either the old file or the whole new one,
// also for two writers at once, a full disk or an interrupt (see RemoveTemporaryFileOnInterrupt).
// The replaced file keeps its permission bits (and its owner where the process may give it);
// for a symbolic link the file it points to is replaced and the link stays; a dangling link is
// refused (ENOENT) rather than written through. A name that is no regular file (a terminal,
// /dev/null, a FIFO) is written plainly. Only when no temporary file can be made beside an
// existing file (a directory the process may not write to) is the file rewritten in place, and
// then only after Reserve has set aside the whole new size on the disk.
//
// Every operation returns 0 on success or the errno value of the failure.
class FileReplacement {
 public:
  FileReplacement() = default;
  // Writes into a picture that `spares` has replaced and kept, when it has one in the directory,
  // instead of making a new temporary file (see CommitGroup).
  explicit FileReplacement(CommitGroup* spares) : spares_(spares) {}
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  // Abandons what was not committed.
  ~FileReplacement();

  // Opens the name for new content. Fails as creating the file fails: a missing directory, a
  // directory, a read-only or immutable file, no right to write, a dangling symbolic link.
  // A FIFO waits here for its reader.
  [[nodiscard]] int Open(const std::string& path, NewName new_name = NewName::kCreateFirst);

  // True when the content is written into the existing file itself, so Reserve must come first.
  bool NeedsReserve() const { return in_place_ && !reserved_; }

  // Sets aside `bytes` on the disk for an in-place rewrite (fallocate); fails, keeping the old
  // content, when the disk or the file system cannot promise them. Does nothing otherwise.
  [[nodiscard]] int Reserve(uint64_t bytes);

  // Appends bytes to the new content. After a failure the replacement is abandoned.
  [[nodiscard]] int Write(std::string_view bytes);

  // Makes the content written the name's own: flushed to the disk, renamed over the name, the
  // directory flushed. On failure the name keeps what it held.
  [[nodiscard]] int Commit();

  // Hands the written content to `group`, which makes it the name's own with the rest of its
  // group (CommitGroup::Flush); this replacement is then done.
  [[nodiscard]] int Commit(CommitGroup& group, uint64_t tag);

  // Gives up: the temporary file goes; the name keeps what it held (kCreateFirst: empty).
  void Abandon();

  // Write then Commit.
  [[nodiscard]] int Replace(std::string_view bytes);

  // True when Open made the name (kCreateFirst).
  bool Created() const { return created_; }

  // The path the content is written to now (the temporary file, or the name itself).
  const std::string& WritingPath() const { return temporary_.empty() ? path_ : temporary_; }

 private:
  int OpenTemporary(const std::string& target);
  int CutRecycled();
  int Fail(int error);
  void RemoveCreatedFile();
  int CloseFile();

  std::string path_;       // the name as given
  std::string target_;     // the file renamed over: the name, or where its link points
  std::string temporary_;  // empty when writing in place
  CommitGroup* spares_ = nullptr;
  int fd_ = -1;
  int name_fd_ = -1;  // the name opened by kCreateFirst
  bool created_ = false;
  bool plain_ = false;  // no regular file: written straight
  bool in_place_ = false;
  bool reserved_ = false;
  bool holds_in_place_lock_ = false;
  bool recycled_ = false;  // the temporary file is a spare with old content past what is written
  uint64_t written_ = 0;
};

// Renames written temporary files over their names in groups, paying for their flush to the disk
// once a group instead of once a file: the group's data is made durable together (syncfs, the
// cheapest way measured on ext4 and no cost on tmpfs), then every file is renamed, then each
// directory is flushed once. After a crash or power cut each name holds its whole old or its whole
// new content. Thread-safe.
//
// Freeing a file can wait on the disk far longer than writing a new one, and making files right
// after freeing many costs the file system time too (ext4 without a journal does both), so the
// pictures renamed over are not freed one by one. Each is swapped with its new content, which
// leaves it under the temporary name, flushed with the directory. One that nothing else has open
// and that has no other name and no extended attributes is then a spare: a FileReplacement made
// with this group writes a later picture of the same directory into it, so that replacing costs
// neither a free nor a new file. The others, and the spares left over, stay open until the group
// ends (or too many are open, or they hold kMostBytes of the disk) and are then freed together.
class CommitGroup {
 public:
  // Files and bytes after which Add asks for a flush.
  static constexpr size_t kMostFiles = 256;
  static constexpr uint64_t kMostBytes = uint64_t{64} << 20;

  struct Result {
    uint64_t tag;
    int error;  // 0, or why the name keeps its old content
  };

  // A replaced picture, open; `name` is its temporary name while it is a spare, else empty.
  struct Replaced {
    int fd;
    std::string name;
    uint64_t bytes;
  };

  CommitGroup() = default;
  CommitGroup(const CommitGroup&) = delete;
  CommitGroup& operator=(const CommitGroup&) = delete;
  // Removes the temporary files of what was never flushed and frees the replaced pictures.
  ~CommitGroup();

  // True when the group has grown enough to be flushed.
  bool Full() const;

  // Commits everything added so far; returns how each one ended, in the order added.
  std::vector<Result> Flush();

  // Takes over everything `other` holds, under `tag`; `other` is then empty.
  void Adopt(CommitGroup& other, uint64_t tag);

 private:
  friend class FileReplacement;
  struct Pending {
    uint64_t tag;
    std::string temporary;
    std::string target;
    uint64_t bytes;
    int error;  // of a replacement finished on its own
    int spare;  // a spare written into, open: its old content past `bytes` is cut off at the flush
  };
  void Add(Pending pending);
  // Takes a spare of `directory`: its descriptor, open for writing, and its temporary name.
  bool TakeSpare(const std::string& directory, int& fd, std::string& name);
  // Frees what is held, or only the replaced pictures that are no spare.
  void FreeReplaced(bool spares_too);

  mutable std::mutex lock_;
  std::vector<Pending> pending_;
  uint64_t bytes_ = 0;
  std::vector<Replaced> replaced_;                       // held until freed together
  std::map<std::string, std::vector<Replaced>> spares_;  // by directory
  size_t held_ = 0;                                      // descriptors in both
  uint64_t held_bytes_ = 0;                              // the disk space they hold
};

// Makes SIGINT, SIGTERM, SIGHUP and SIGQUIT remove every temporary file of a FileReplacement or
// a CommitGroup before the process ends as the signal says; a rename over a name is never cut
// in half by them. The signals are then taken by a thread of their own, so this must be called
// before the program starts any other thread. A signal ignored by whoever started the program
// stays ignored.
void RemoveTemporaryFileOnInterrupt();

}  // namespace t2j
