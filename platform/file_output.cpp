#include "platform/file_output.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <system_error>
#include <thread>

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

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// The temporary files that exist now, for the signal thread. Whoever holds the lock may create,
// rename or remove them; the signal thread takes it and never gives it back, so once it has
// removed the files no rename can follow.
std::mutex g_temporaries_lock;
std::set<std::string>* g_temporaries = new std::set<std::string>;  // never destroyed
// Held for the whole of an in-place rewrite, which an interrupt must not cut in half.
std::mutex g_in_place_lock;

void RemoveTemporary(const std::string& temporary) {
  const std::lock_guard<std::mutex> lock(g_temporaries_lock);
  ::unlink(temporary.c_str());
  g_temporaries->erase(temporary);
}

int RenameTemporary(const std::string& temporary, const std::string& target) {
  const std::lock_guard<std::mutex> lock(g_temporaries_lock);
  const int error = ::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
  if (error != 0) ::unlink(temporary.c_str());
  g_temporaries->erase(temporary);
  return error;
}

// Swaps the written temporary file with the file under the target's name: the name then holds
// the new content and the temporary name the old. Fails where there is nothing to swap with
// (ENOENT) or the file system cannot swap (EINVAL).
int SwapTemporary(const std::string& temporary, const std::string& target) {
  const std::lock_guard<std::mutex> lock(g_temporaries_lock);
  return ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0
             ? 0
             : errno;
}

// True when nothing but `fd` has its file open (a reader, a mapping), so that writing into it
// changes nothing that anybody reads: only then does the kernel grant a write lease. The lease
// is given back at once. An open that came meanwhile would break it with SIGURG, which ends no
// program, rather than SIGIO, which would.
bool OpenOnlyHere(int fd) {
  if (::fcntl(fd, F_SETSIG, SIGURG) != 0 || ::fcntl(fd, F_SETLEASE, F_WRLCK) != 0) return false;
  (void)::fcntl(fd, F_SETLEASE, F_UNLCK);
  return true;
}

uint64_t DiskBytes(const struct stat& info) {
  return static_cast<uint64_t>(std::max<blkcnt_t>(info.st_blocks, 0)) * 512;
}

// Runs step(0) to step(count - 1) on several threads at once and returns when all are done.
template <typename Step>
void Together(size_t count, const Step& step) {
  constexpr size_t kThreads = 8;
  std::atomic<size_t> next{0};
  auto some = [&] {
    for (size_t i = next++; i < count; i = next++) step(i);
  };
  std::vector<std::thread> threads;
  for (size_t i = 1; i < std::min(kThreads, count); ++i) {
    try {
      threads.emplace_back(some);
    } catch (const std::system_error&) {
      break;
    }
  }
  some();
  for (std::thread& thread : threads) thread.join();
}

// Closes the descriptors on several threads at once and returns when all are closed. Closing
// the last descriptor of a replaced picture frees it, and that can wait on the disk far longer
// than anything else a picture costs (ext4 without a journal discards the freed blocks before
// it returns); the disk takes many of those waits at once.
void CloseTogether(std::vector<int>& fds) {
  Together(fds.size(), [&](size_t i) { ::close(fds[i]); });
  fds.clear();
}

// How many replaced pictures a group may hold open: a small part of the descriptors this
// process may have.
size_t MostHeldOpen() {
  static const size_t most = [] {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return size_t{0};
    if (limit.rlim_cur == RLIM_INFINITY) return size_t{1024};
    return static_cast<size_t>(std::min<rlim_t>(limit.rlim_cur / 4, 1024));
  }();
  return most;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

void FlushDirectory(const std::string& directory) {
  const int fd = OpenRetrying(directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    (void)::fsync(fd);
    ::close(fd);
  }
}

// The permission bits a new file gets: 0666 less the umask, read without changing it.
mode_t NewFileMode() {
  static const mode_t mode = [] {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
      unsigned value = 0;
      if (std::sscanf(line.c_str(), "Umask: %o", &value) == 1) {
        return static_cast<mode_t>(0666 & ~value);
      }
    }
    return static_cast<mode_t>(0644);
  }();
  return mode;
}

}  // namespace

namespace {
std::atomic<bool> leave_file_size_signal{false};
}  // namespace

void LeaveFileSizeSignal() { leave_file_size_signal = true; }

void IgnoreFileSizeSignal() {
  if (leave_file_size_signal) return;
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

FileReplacement::~FileReplacement() { Abandon(); }

int FileReplacement::Open(const std::string& path, NewName new_name) {
  if (fd_ >= 0 || name_fd_ >= 0) return EBUSY;
  path_ = path;
  target_ = path;
  created_ = plain_ = in_place_ = reserved_ = recycled_ = false;
  written_ = 0;
  struct stat link {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    // The file a symbolic link points to is the one replaced; the link stays. A link to nothing
    // is not written through: that would make a file where the link happens to point.
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    if (!resolved) return errno;
    target_ = resolved.get();
  }
  struct stat info {};
  if (::stat(target_.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return EISDIR;
    const int fd = OpenRetrying(target_.c_str(), O_WRONLY);
    if (fd < 0) return errno;
    if (!S_ISREG(info.st_mode)) {
      plain_ = true;
      fd_ = fd;
      return 0;
    }
    name_fd_ = fd;
    if (OpenTemporary(target_) != 0) {
      // No file can be made beside it: the file itself is rewritten, once its size is reserved.
      in_place_ = true;
      fd_ = name_fd_;
      name_fd_ = -1;
      return 0;
    }
    // Best effort: only a privileged process may give the file to its old owner, so a refusal
    // is no failure.
    if (::fchown(fd_, info.st_uid, info.st_gid) != 0) errno = 0;
    if (::fchmod(fd_, info.st_mode & 07777) != 0) return Fail(errno);
    return 0;
  }
  if (errno != ENOENT) return errno;
  if (new_name == NewName::kCreateFirst) {
    const int fd = OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return errno;
    created_ = true;
    name_fd_ = fd;
    if (OpenTemporary(target_) != 0) {
      // It was empty, so there is nothing to keep: it takes the bytes itself.
      in_place_ = reserved_ = true;
      fd_ = name_fd_;
      name_fd_ = -1;
    }
    return 0;
  }
  if (const int error = OpenTemporary(target_); error != 0) return error;
  if (::fchmod(fd_, NewFileMode()) != 0) return Fail(errno);
  return 0;
}

int FileReplacement::OpenTemporary(const std::string& target) {
  const std::string directory = DirectoryOf(target);
  int spare = -1;
  std::string name;
  if (spares_ != nullptr && spares_->TakeSpare(directory, spare, name)) {
    // Private until its content is whole, as a new temporary file is.
    if (::fchmod(spare, 0600) == 0) {
      temporary_ = std::move(name);
      fd_ = spare;
      recycled_ = true;
      return 0;
    }
    RemoveTemporary(name);
    ::close(spare);
  }
  std::string temporary = directory + "/.text2jpg-XXXXXX";
  // Registered while it is made, so that no interrupt can come between its making and its
  // registration.
  const std::lock_guard<std::mutex> lock(g_temporaries_lock);
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  g_temporaries->insert(temporary);
  temporary_ = std::move(temporary);
  fd_ = fd;
  return 0;
}

int FileReplacement::Reserve(uint64_t bytes) {
  if (!in_place_ || reserved_) return 0;
  if (fd_ < 0) return EBADF;
  if (bytes > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return Fail(EFBIG);
  if (bytes > 0) {
    int error;
    do {
      error = ::posix_fallocate(fd_, 0, static_cast<off_t>(bytes));
    } while (error == EINTR);
    // Without a promise of the space, the old content is kept.
    if (error != 0) return Fail(error);
  }
  g_in_place_lock.lock();
  holds_in_place_lock_ = true;
  reserved_ = true;
  return 0;
}

int FileReplacement::Write(std::string_view bytes) {
  if (fd_ < 0) return EBADF;
  if (in_place_ && !reserved_) return Fail(EINVAL);
  IgnoreFileSizeSignal();
  if (const int error = WriteAll(fd_, bytes); error != 0) return Fail(error);
  written_ += bytes.size();
  return 0;
}

int FileReplacement::CloseFile() {
  const int fd = fd_;
  fd_ = -1;
  return CloseChecked(fd);
}

int FileReplacement::CutRecycled() {
  // A spare's old content may run on past the new.
  if (!recycled_) return 0;
  return ::ftruncate(fd_, static_cast<off_t>(written_)) == 0 ? 0 : errno;
}

int FileReplacement::Commit() {
  if (fd_ < 0) return EBADF;
  if (plain_) return CloseFile();
  if (in_place_) {
    int error = ::ftruncate(fd_, static_cast<off_t>(written_)) == 0 ? 0 : errno;
    if (error == 0 && ::fsync(fd_) != 0) error = errno;
    if (error != 0) return Fail(error);
    error = CloseFile();
    if (holds_in_place_lock_) g_in_place_lock.unlock();
    holds_in_place_lock_ = reserved_ = false;
    return error;
  }
  int error = CutRecycled();
  if (error == 0 && ::fsync(fd_) != 0) error = errno;
  const int close_error = CloseFile();
  if (error == 0) error = close_error;
  if (error != 0) return Fail(error);
  error = RenameTemporary(temporary_, target_);
  temporary_.clear();
  if (error != 0) return Fail(error);
  if (name_fd_ >= 0) ::close(name_fd_);
  name_fd_ = -1;
  // The rename itself reaches the disk with the directory.
  FlushDirectory(DirectoryOf(target_));
  return 0;
}

int FileReplacement::Commit(CommitGroup& group, uint64_t tag) {
  if (fd_ < 0) return EBADF;
  if (plain_ || in_place_) {
    const int error = Commit();
    group.Add(CommitGroup::Pending{tag, {}, {}, 0, error, -1});
    return error;
  }
  // A spare stays open until the group cuts it to its new length.
  int spare = -1;
  if (recycled_) {
    spare = fd_;
    fd_ = -1;
  } else if (const int error = CloseFile(); error != 0) {
    return Fail(error);
  }
  if (name_fd_ >= 0) ::close(name_fd_);
  name_fd_ = -1;
  group.Add(CommitGroup::Pending{tag, std::move(temporary_), target_, written_, 0, spare});
  recycled_ = false;
  temporary_.clear();
  return 0;
}

void FileReplacement::Abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) RemoveTemporary(temporary_);
  temporary_.clear();
  if (holds_in_place_lock_) g_in_place_lock.unlock();
  holds_in_place_lock_ = reserved_ = recycled_ = false;
  if (name_fd_ >= 0) ::close(name_fd_);
  name_fd_ = -1;
}

int FileReplacement::Fail(int error) {
  RemoveCreatedFile();
  Abandon();
  return error;
}

int FileReplacement::Replace(std::string_view bytes) {
  if (NeedsReserve()) {
    if (const int error = Reserve(bytes.size()); error != 0) return error;
  }
  if (const int error = Write(bytes); error != 0) return error;
  return Commit();
}

void FileReplacement::RemoveCreatedFile() {
  if (!created_) return;
  // Only while the name is still the file made here, not a picture that another writer has put
  // there meanwhile.
  const int fd = name_fd_ >= 0 ? name_fd_ : (in_place_ ? fd_ : -1);
  struct stat mine {};
  struct stat named {};
  if (fd >= 0 && ::fstat(fd, &mine) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
      mine.st_dev == named.st_dev && mine.st_ino == named.st_ino) {
    ::unlink(path_.c_str());
  }
  created_ = false;
}

CommitGroup::~CommitGroup() {
  for (const Pending& pending : pending_) {
    if (pending.spare >= 0) ::close(pending.spare);
    if (!pending.temporary.empty()) RemoveTemporary(pending.temporary);
  }
  FreeReplaced(true);
}

void CommitGroup::Add(Pending pending) {
  const std::lock_guard<std::mutex> lock(lock_);
  bytes_ += pending.bytes;
  pending_.push_back(std::move(pending));
}

void CommitGroup::Adopt(CommitGroup& other, uint64_t tag) {
  std::vector<Pending> taken;
  {
    const std::lock_guard<std::mutex> lock(other.lock_);
    taken.swap(other.pending_);
    other.bytes_ = 0;
  }
  const std::lock_guard<std::mutex> lock(lock_);
  for (Pending& pending : taken) {
    pending.tag = tag;
    bytes_ += pending.bytes;
    pending_.push_back(std::move(pending));
  }
}

bool CommitGroup::Full() const {
  const std::lock_guard<std::mutex> lock(lock_);
  return pending_.size() >= kMostFiles || bytes_ >= kMostBytes;
}

bool CommitGroup::TakeSpare(const std::string& directory, int& fd, std::string& name) {
  const std::lock_guard<std::mutex> lock(lock_);
  const auto found = spares_.find(directory);
  if (found == spares_.end() || found->second.empty()) return false;
  Replaced& spare = found->second.back();
  fd = spare.fd;
  name = std::move(spare.name);
  --held_;
  held_bytes_ -= spare.bytes;
  found->second.pop_back();
  return true;
}

void CommitGroup::FreeReplaced(bool spares_too) {
  std::vector<Replaced> freed;
  {
    const std::lock_guard<std::mutex> lock(lock_);
    freed.swap(replaced_);
    if (spares_too) {
      for (auto& [directory, spares] : spares_) {
        for (Replaced& spare : spares) freed.push_back(std::move(spare));
      }
      spares_.clear();
    }
    for (const Replaced& replaced : freed) {
      --held_;
      held_bytes_ -= replaced.bytes;
    }
  }
  std::vector<int> fds;
  fds.reserve(freed.size());
  for (const Replaced& replaced : freed) {
    if (!replaced.name.empty()) RemoveTemporary(replaced.name);
    fds.push_back(replaced.fd);
  }
  CloseTogether(fds);
}

namespace {

// Renames the temporary file over the target, holding the file renamed over open in `held` when
// it can, so that the rename does not wait for it to be freed.
int RenameHolding(const std::string& temporary, const std::string& target, bool hold,
                  std::vector<CommitGroup::Replaced>& held) {
  const int old = hold ? OpenRetrying(target.c_str(), O_PATH | O_NOFOLLOW) : -1;
  const int error = RenameTemporary(temporary, target);
  struct stat info {};
  if (old >= 0 && error == 0 && ::fstat(old, &info) == 0) {
    held.push_back(CommitGroup::Replaced{old, {}, DiskBytes(info)});
  } else if (old >= 0) {
    ::close(old);
  }
  return error;
}

// Puts the temporary file under the target's name by swapping the two, and keeps the old file
// (now under the temporary name) open in `held`: as a spare if it may be written into, else
// only to be freed later. Returns 0 or why the name keeps its old content.
int SwapHolding(const std::string& temporary, const std::string& target,
                std::vector<CommitGroup::Replaced>& held) {
  if (SwapTemporary(temporary, target) != 0) return RenameHolding(temporary, target, true, held);
  int fd = OpenRetrying(temporary.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK);
  struct stat info {};
  if (fd < 0 && ::lstat(temporary.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    // A directory put under the name since it was checked: a rename would have failed on it.
    (void)SwapTemporary(temporary, target);
    RemoveTemporary(temporary);
    return EISDIR;
  }
  if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1 &&
      info.st_uid == ::geteuid() && info.st_gid == ::getegid() &&
      ::flistxattr(fd, nullptr, 0) == 0 && OpenOnlyHere(fd)) {
    // The temporary name stays registered, so that an interrupt removes it.
    held.push_back(CommitGroup::Replaced{fd, temporary, DiskBytes(info)});
    return 0;
  }
  if (fd < 0) fd = OpenRetrying(temporary.c_str(), O_PATH | O_NOFOLLOW);
  RemoveTemporary(temporary);
  if (fd >= 0 && ::fstat(fd, &info) == 0) {
    held.push_back(CommitGroup::Replaced{fd, {}, DiskBytes(info)});
  } else if (fd >= 0) {
    ::close(fd);
  }
  return 0;
}

}  // namespace

std::vector<CommitGroup::Result> CommitGroup::Flush() {
  std::vector<Pending> group;
  size_t held = 0;
  {
    const std::lock_guard<std::mutex> lock(lock_);
    group.swap(pending_);
    bytes_ = 0;
    held = held_;
  }
  // A spare's old content past the new is cut off, all together: cutting a file short frees
  // disk space, which can wait on the disk as freeing a file does.
  std::vector<Pending*> recycled;
  for (Pending& pending : group) {
    if (pending.spare >= 0) recycled.push_back(&pending);
  }
  Together(recycled.size(), [&](size_t i) {
    Pending& pending = *recycled[i];
    if (::ftruncate(pending.spare, static_cast<off_t>(pending.bytes)) != 0) pending.error = errno;
    if (const int error = CloseChecked(pending.spare); pending.error == 0) pending.error = error;
    pending.spare = -1;
  });
  // One flush of each file system holding a file of the group: syncfs writes the data of all
  // of them at once, where a flush of each would wait for the disk once a file.
  std::map<std::string, int> directories;  // each directory once, with its flush's error
  std::map<dev_t, int> file_systems;
  for (const Pending& pending : group) {
    if (pending.temporary.empty()) continue;
    const std::string directory = DirectoryOf(pending.target);
    if (directories.count(directory) != 0) continue;
    directories[directory] = 0;
    const int fd = OpenRetrying(directory.c_str(), O_RDONLY | O_DIRECTORY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
      directories[directory] = errno;
      if (fd >= 0) ::close(fd);
      continue;
    }
    if (file_systems.count(info.st_dev) == 0) {
      file_systems[info.st_dev] = ::syncfs(fd) == 0 ? 0 : errno;
    }
    directories[directory] = file_systems[info.st_dev];
    ::close(fd);
  }
  std::vector<Result> results;
  results.reserve(group.size());
  std::vector<Replaced> replaced;
  for (const Pending& pending : group) {
    int error = pending.error;
    if (!pending.temporary.empty()) {
      if (error == 0) error = directories[DirectoryOf(pending.target)];
      if (error != 0) {
        RemoveTemporary(pending.temporary);
      } else if (held + replaced.size() < MostHeldOpen()) {
        error = SwapHolding(pending.temporary, pending.target, replaced);
      } else {
        error = RenameHolding(pending.temporary, pending.target, false, replaced);
      }
    }
    results.push_back(Result{pending.tag, error});
  }
  // The swaps reach the disk with their directories; only then may a spare be written into.
  for (const auto& [directory, error] : directories) {
    if (error == 0) FlushDirectory(directory);
  }
  bool too_much = false;
  {
    const std::lock_guard<std::mutex> lock(lock_);
    for (Replaced& old : replaced) {
      ++held_;
      held_bytes_ += old.bytes;
      if (old.name.empty()) {
        replaced_.push_back(std::move(old));
      } else {
        spares_[DirectoryOf(old.name)].push_back(std::move(old));
      }
    }
    too_much = held_ >= MostHeldOpen() || held_bytes_ >= kMostBytes;
  }
  // What is held is freed when the group ends, after the files of every later flush have been
  // made, or as soon as too many are open or they take too much of the disk.
  if (too_much) {
    FreeReplaced(false);
    const std::lock_guard<std::mutex> lock(lock_);
    too_much = held_ >= MostHeldOpen() || held_bytes_ >= kMostBytes;
  }
  if (too_much) FreeReplaced(true);
  return results;
}

void RemoveTemporaryFileOnInterrupt() {
  static std::once_flag once;
  std::call_once(once, [] {
    sigset_t taken;
    sigemptyset(&taken);
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
      struct sigaction current {};
      if (sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
        continue;  // a signal ignored by whoever started the program stays ignored
      }
      sigaddset(&taken, signal_number);
    }
    if (pthread_sigmask(SIG_BLOCK, &taken, nullptr) != 0) return;
    try {
      std::thread([taken] {
        int signal_number = 0;
        while (sigwait(&taken, &signal_number) != 0) {
        }
        // Never unlocked: no temporary file may be renamed or made once they are removed.
        g_temporaries_lock.lock();
        g_in_place_lock.lock();
        for (const std::string& temporary : *g_temporaries) ::unlink(temporary.c_str());
        ::signal(signal_number, SIG_DFL);
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, signal_number);
        ::raise(signal_number);
        pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
        _exit(128 + signal_number);
      }).detach();
    } catch (const std::system_error&) {
      // Without the thread the signals end the program as they would have.
      pthread_sigmask(SIG_UNBLOCK, &taken, nullptr);
    }
  });
}

}  // namespace t2j
