// Writing a file so that a failure never costs what its name held.
#pragma once

#include <string>
#include <string_view>

namespace t2j {

// Past the file size limit the kernel ends a writing process with SIGXFSZ unless the signal is
// ignored; ignored, the write fails with EFBIG and the program can say so. Ignores it unless
// someone installed a handler. Safe to call more than once.
void IgnoreFileSizeSignal();

// Writes all of `bytes` to the descriptor, retrying interrupted and partial writes until every
// byte is written. Returns 0, or the errno value of a write that can put no further byte (disk
// full, file size limit); an empty `bytes` writes nothing and succeeds.
[[nodiscard]] int WriteAll(int fd, std::string_view bytes);

// Puts new bytes under a file name so that a failure at any point leaves what the name held.
// Open checks the name the way creating the file would, changing no byte; Replace then writes
// the bytes into a file that Open made, and over an existing file it writes them to a temporary
// file in the same directory, flushes it to the disk and renames it over the name, so that the name
// holds either the old file or the whole new one, also for two writers at once or a full disk. The
// replaced file keeps its permission bits (and its owner where the process may give it); for a
// symbolic link the file it points to is replaced and the link stays. A name that is no regular
// file (a terminal, /dev/null, a FIFO) is written plainly. Only when no temporary file can be made
// beside the file (a directory the process may not write to) is the file emptied and written in
// place.
//
// Every operation returns 0 on success or the errno value of the failure.
class FileReplacement {
 public:
  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  // Gives up when Replace has not run: the name stays as Open left it.
  ~FileReplacement();

  // Opens the name for writing, creating it empty (mode 0666 less the umask) when it is absent.
  // A FIFO waits here for its reader. Fails as creating the file fails: a missing directory, a
  // directory, a read-only or immutable file, no right to write.
  [[nodiscard]] int Open(const std::string& path);

  // Makes `bytes` the content of the name opened. On failure an existing file keeps its old
  // content, and a file that Open created is removed again.
  [[nodiscard]] int Replace(std::string_view bytes);

  // True when Open made the file.
  bool Created() const { return created_; }

 private:
  int ReplaceRegularFile(std::string_view bytes);
  void RemoveCreatedFile();

  std::string path_;
  int fd_ = -1;
  bool created_ = false;
};

// Makes SIGINT and SIGTERM remove the temporary file of a FileReplacement that is being written
// before the process ends as the signal says. For programs that end on those signals.
void RemoveTemporaryFileOnInterrupt();

}  // namespace t2j
