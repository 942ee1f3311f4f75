#include "platform/file_output.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace t2j {

int WriteAll(int fd, std::string_view bytes) {
  const char* next = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, next, left);
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

namespace {

int CloseChecked(int fd) {
  // On Linux the descriptor is gone even when close reports EINTR, so it is not retried, and the
  // bytes have been handed to the kernel already.
  if (::close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

// The temporary files being written, for the signal handler: one slot for each writer at once
// (threads may write several files at the same time). A slot's name is complete whenever the
// slot is kReady.
constexpr int kTemporarySlots = 64;
constexpr int kFree = 0;
constexpr int kClaimed = 1;
constexpr int kReady = 2;
struct TemporarySlot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX + 16];
};
TemporarySlot g_temporaries[kTemporarySlots];

// The slot that now names `path`, or -1 when none is free or the name is too long.
int RegisterTemporaryPath(const std::string& path) {
  if (path.size() >= sizeof g_temporaries[0].path) return -1;
  for (int i = 0; i < kTemporarySlots; ++i) {
    int expected = kFree;
    if (g_temporaries[i].state.compare_exchange_strong(expected, kClaimed)) {
      std::memcpy(g_temporaries[i].path, path.c_str(), path.size() + 1);
      g_temporaries[i].state.store(kReady);
      return i;
    }
  }
  return -1;
}

void UnregisterTemporaryPath(int slot) {
  if (slot >= 0) g_temporaries[slot].state.store(kFree);
}

void RemoveTemporaryAndEnd(int signal_number) {
  for (TemporarySlot& slot : g_temporaries) {
    if (slot.state.load() == kReady) ::unlink(slot.path);
  }
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

}  // namespace

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

FileReplacement::~FileReplacement() {
  if (fd_ >= 0) ::close(fd_);
}

int FileReplacement::Open(const std::string& path) {
  if (fd_ >= 0) return EBUSY;
  path_ = path;
  created_ = false;
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    created_ = true;
  } else if (errno == EEXIST) {
    do {
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
  }
  if (fd < 0) return errno;
  fd_ = fd;
  return 0;
}

int FileReplacement::Replace(std::string_view bytes) {
  if (fd_ < 0) return EBADF;
  IgnoreFileSizeSignal();
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return errno;
  if (!S_ISREG(info.st_mode)) {
    const int error = WriteAll(fd_, bytes);
    const int fd = fd_;
    fd_ = -1;
    const int close_error = CloseChecked(fd);
    return error != 0 ? error : close_error;
  }
  // A file that Open made held nothing to keep: the bytes go straight into it, without a
  // temporary file and its flush, and a failure removes it again.
  // While it is written, an interrupt removes it as it would a temporary file.
  int error;
  if (created_) {
    const int slot = RegisterTemporaryPath(path_);
    error = WriteAll(fd_, bytes);
    UnregisterTemporaryPath(slot);
  } else {
    error = ReplaceRegularFile(bytes);
  }
  if (error != 0) RemoveCreatedFile();
  const int fd = fd_;
  fd_ = -1;
  const int close_error = CloseChecked(fd);
  if (created_ && error == 0 && close_error != 0) {
    ::unlink(path_.c_str());
    error = close_error;
  }
  return error;
}

int FileReplacement::ReplaceRegularFile(std::string_view bytes) {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return errno;
  // The file a symbolic link points to is the one replaced; the link stays.
  std::string target = path_;
  if (const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path_.c_str(), nullptr),
                                                                 &std::free);
      resolved) {
    target = resolved.get();
  }
  const size_t slash = target.find_last_of('/');
  const std::string directory = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  std::string temporary = directory + (slash == std::string::npos ? "/" : "") + ".text2jpg-XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    // No file can be made beside it: the file itself is emptied and written.
    if (::ftruncate(fd_, 0) != 0) return errno;
    if (const int error = WriteAll(fd_, bytes); error != 0) return error;
    return ::fsync(fd_) == 0 ? 0 : errno;
  }
  const int slot = RegisterTemporaryPath(temporary);
  // Best effort: only a privileged process may give the file to its old owner, so a refusal
  // is no failure.
  if (::fchown(fd, info.st_uid, info.st_gid) != 0) errno = 0;
  int error = ::fchmod(fd, info.st_mode & 07777) == 0 ? 0 : errno;
  if (error == 0) error = WriteAll(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  const int close_error = CloseChecked(fd);
  if (error == 0) error = close_error;
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temporary.c_str());
  UnregisterTemporaryPath(slot);
  if (error != 0) return error;
  // The rename itself reaches the disk with the directory.
  const int directory_fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory_fd >= 0) {
    (void)::fsync(directory_fd);
    ::close(directory_fd);
  }
  return 0;
}

void FileReplacement::RemoveCreatedFile() {
  if (!created_) return;
  // Only while the name is still the empty file made here, not a picture that another writer
  // has put there meanwhile.
  struct stat mine {};
  struct stat named {};
  if (::fstat(fd_, &mine) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
      mine.st_dev == named.st_dev && mine.st_ino == named.st_ino) {
    ::unlink(path_.c_str());
  }
}

void RemoveTemporaryFileOnInterrupt() {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    struct sigaction current {};
    if (sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
      continue;  // a signal ignored by whoever started the program stays ignored
    }
    struct sigaction remove {};
    remove.sa_handler = RemoveTemporaryAndEnd;
    sigemptyset(&remove.sa_mask);
    sigaction(signal_number, &remove, nullptr);
  }
}

}  // namespace t2j
