// Writing a file in one go: create or empty it, put every byte on it, close it checked.
#pragma once

#include <string>
#include <string_view>

namespace t2j {

// Past the file size limit the kernel ends a writing process with SIGXFSZ unless the signal is
// ignored; ignored, the write fails with EFBIG and the program can say so. Ignores it unless
// someone installed a handler. Safe to call more than once.
void IgnoreFileSizeSignal();

// A file open for writing, owned by its holder; a file that is still open when the holder goes is
// closed then, without a check (call Close to learn whether closing worked).
//
// Every operation returns 0 on success or the errno value of the failure.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Creates the file, or empties it when it exists (read and write access, mode 0666 less the
  // umask, not inherited by child processes). A relative path is taken against the current
  // directory. A file that is already open is closed first.
  [[nodiscard]] int Create(const std::string& path);

  // Writes all of `bytes`, retrying interrupted and partial writes until every byte is written.
  // A write that can put no further byte (disk full, file size limit) gives its error; an empty
  // `bytes` writes nothing and succeeds. EBADF when no file is open.
  [[nodiscard]] int WriteAll(std::string_view bytes);

  // Closes the file; 0 also when no file is open.
  [[nodiscard]] int Close();

  bool IsOpen() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace t2j
