#include "platform/file_output.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace t2j {

void IgnoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
        (current.sa_flags & SA_SIGINFO) == 0) {
      struct sigaction ignore {};
      ignore.sa_handler = SIG_IGN;
      sigemptyset(&ignore.sa_mask);
      sigaction(SIGXFSZ, &ignore, nullptr);
    }
  });
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

int OutputFile::Create(const std::string& path) {
  if (const int error = Close(); error != 0) return error;
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  fd_ = fd;
  return 0;
}

int OutputFile::WriteAll(std::string_view bytes) {
  if (fd_ < 0) return EBADF;
  IgnoreFileSizeSignal();
  const char* next = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd_, next, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    // A regular file never takes zero bytes of a non-empty write unless it is full.
    if (written == 0) return ENOSPC;
    next += written;
    left -= static_cast<size_t>(written);
  }
  return 0;
}

int OutputFile::Close() {
  if (fd_ < 0) return 0;
  const int fd = fd_;
  fd_ = -1;
  // On Linux the descriptor is gone even when close reports EINTR, so it is not retried, and the
  // bytes have been handed to the kernel already.
  if (::close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

}  // namespace t2j
