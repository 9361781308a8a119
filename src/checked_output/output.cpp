#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "checked_output/temporary_files.h"
#include "kelvaro/checked_output.h"
#include "kelvaro/command_line.h"

namespace kelvaro::tools {
namespace {

// Large enough that writing costs few system calls, small enough to stay out of the way.
constexpr std::size_t kBufferSize = 64 * 1024;

constexpr std::string_view kTemporaryMark = ".kelvaro-tmp-";
// Links followed before giving up, as the kernel's own limit (MAXSYMLINKS, 40).
constexpr int kMaxLinks = 40;
// A target name longer than this is cut in its temporary file's name, which must stay within
// NAME_MAX (255) with the mark, a process number and the unique end.
constexpr std::size_t kMaxNameInTemporary = 200;

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The standard stream (1 or 2) that is the file `st`, or 0.
int standard_stream_of(const struct stat& st) {
  for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
    struct stat stream {};
    if (::fstat(fd, &stream) == 0 && same_file(stream, st)) return fd;
  }
  return 0;
}

// The process number in a temporary name of ours (".NAME.kelvaro-tmp-PID-XXXXXX"), or 0.
pid_t temporary_owner(const std::string& name) {
  if (name.empty() || name[0] != '.') return 0;
  const std::size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string::npos) return 0;
  const std::size_t digits = mark + kTemporaryMark.size();
  const std::size_t dash = name.find('-', digits);
  if (dash == std::string::npos || dash == digits || dash > digits + 9 || name.size() != dash + 7) {
    return 0;
  }
  pid_t pid = 0;
  for (std::size_t i = digits; i < dash; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    pid = pid * 10 + (name[i] - '0');
  }
  return pid;
}

// True when the process no longer runs here and nothing holds the file locked (a run on another
// machine sharing the folder holds its temporary file locked).
bool abandoned(const std::string& path, pid_t owner) {
  if (owner == ::getpid() || ::kill(owner, 0) == 0 || errno != ESRCH) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ELOOP;  // a link of that name: nothing of anyone's
  const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

}  // namespace

std::string followed_links(const std::string& link, const std::string& what) {
  std::string path = link;
  namespace fs = std::filesystem;
  for (int i = 0; i < kMaxLinks; ++i) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::error_code error;
    const fs::path next = fs::read_symlink(path, error);
    if (error) return path;
    path = next.is_absolute() ? next.string() : (fs::path(path).parent_path() / next).string();
  }
  throw WriteError(what, ELOOP);
}

OutputTarget output_target(const std::string& path, const std::string& what) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ELOOP) throw WriteError(what, ELOOP);
    return {OutputTarget::Kind::kReplaced, followed_links(path, what)};
  }
  if (const int stream = standard_stream_of(st)) {
    return {stream == STDOUT_FILENO ? OutputTarget::Kind::kStandardOutput
                                    : OutputTarget::Kind::kStandardError,
            path};
  }
  if (!S_ISREG(st.st_mode)) return {OutputTarget::Kind::kWrittenThrough, path};
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(path, error);
  return {OutputTarget::Kind::kReplaced, error ? path : real.string()};
}

std::string temporary_pattern(const std::string& folder, const std::string& name) {
  const std::string stem = name.substr(0, kMaxNameInTemporary);
  return (std::filesystem::path(folder) /
          ("." + stem + std::string(kTemporaryMark) + std::to_string(::getpid()) + "-XXXXXX"))
      .string();
}

void remove_stale_temporaries(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::directory_iterator entries(folder.empty() ? "." : folder, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const fs::path path = entries->path();
    const pid_t owner = temporary_owner(path.filename().string());
    if (owner <= 0 || !abandoned(path.string(), owner)) continue;
    std::error_code ignored;  // what cannot be removed stays: it is not in the way
    fs::remove_all(path, ignored);
  }
}

void remove_temporaries_on_stop_signals() { cli::remove_files_on_stop_signals(); }

WriteError::WriteError(const std::string& what, int error)
    : WriteError(what, std::string(std::strerror(error))) {}

mode_t less_umask(mode_t mode) {
  const mode_t mask = ::umask(0);  // umask() reads the mask only by setting it: set it back
  ::umask(mask);
  return mode & ~mask;
}

void FdOutput::write(std::string_view text) {
  buffer_.append(text);
  if (buffer_.size() >= kBufferSize) flush();
}

void FdOutput::flush() {
  open_for_writing();
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      buffer_.clear();
      throw WriteError(what_, error);
    }
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
}

StandardOutput::StandardOutput(std::string what) : FdOutput(STDOUT_FILENO, std::move(what)) {}

void StandardOutput::finish() {
  flush();
  if (::close(fd_) != 0 && errno != EINTR) throw WriteError(what_, errno);
}

ReplacingFile::ReplacingFile(std::string path, std::string what, ReadOnlyFiles read_only)
    : FdOutput(-1, std::move(what)), target_(output_target(path, what_)) {
  if (target_.kind == OutputTarget::Kind::kWrittenThrough) {
    // Opened at the first write out: a FIFO's reader would take an early close for the end.
    if (::access(target_.path.c_str(), W_OK) != 0) throw WriteError(what_, errno);
    return;
  }
  if (target_.kind != OutputTarget::Kind::kReplaced) {
    // Taken now: the program may close its standard output before this file is written.
    open_for_writing();
    return;
  }
  const std::filesystem::path file(target_.path);
  const std::string folder = file.parent_path().string();
  remove_stale_temporaries(folder);
  std::string name = temporary_pattern(folder, file.filename().string());
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) throw WriteError(what_, errno);
  temporary_ = name;
  registered_ = cli::remove_on_stop_signal(temporary_);
  // Held while the file is ours: another machine sharing the folder sees that it is in use.
  ::flock(fd_, LOCK_EX | LOCK_NB);
  try {
    if (::fchmod(fd_, less_umask(0666)) != 0) throw WriteError(what_, errno);
    take_settings_of_replaced(read_only);
  } catch (...) {
    ::close(fd_);  // the destructor does not run: remove it here
    ::unlink(temporary_.c_str());
    cli::keep_on_stop_signal(registered_);
    throw;
  }
}

void ReplacingFile::take_settings_of_replaced(ReadOnlyFiles read_only) {
  struct stat old {};
  if (::stat(target_.path.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return;  // a new file
  const mode_t mode = old.st_mode & 07777;
  const bool writable =
      (mode & 0222) != 0 && (::access(target_.path.c_str(), W_OK) == 0 || errno != EACCES);
  if (!writable && read_only == ReadOnlyFiles::kRefused) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", static_cast<unsigned>(mode));
    throw WriteError(what_, "the file " + target_.path + " is read-only (mode " + octal +
                                "): make it writable (chmod u+w) or remove it");
  }
  struct stat made {};
  if (::fstat(fd_, &made) != 0) throw WriteError(what_, errno);
  if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
      ::fchown(fd_, old.st_uid, old.st_gid) != 0) {
    write_through_ = true;  // another's file: written through, it keeps its owner
  }
  if (old.st_nlink > 1) write_through_ = true;
  // After the owner: a change of owner clears the set-user-ID and set-group-ID bits.
  if (::fchmod(fd_, mode) != 0) throw WriteError(what_, errno);
}

void ReplacingFile::copy_into_target() {
  const int target = ::open(target_.path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
  if (target < 0) throw WriteError(what_, errno);
  const auto fail = [&](int error) {
    ::close(target);
    throw WriteError(what_, error);
  };
  if (::lseek(fd_, 0, SEEK_SET) != 0) fail(errno);
  std::vector<char> block(kBufferSize);
  for (;;) {
    const ssize_t got = ::read(fd_, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) fail(errno);
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put =
          ::write(target, block.data() + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) fail(put < 0 ? errno : EIO);
      done += put;
    }
  }
  if (::fsync(target) != 0 && errno != EINVAL) fail(errno);
  if (::close(target) != 0) throw WriteError(what_, errno);
}

ReplacingFile::~ReplacingFile() {
  if (committed_) return;
  if (fd_ >= 0) ::close(fd_);
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  cli::keep_on_stop_signal(registered_);
}

void ReplacingFile::open_for_writing() {
  if (fd_ >= 0 || committed_) return;
  switch (target_.kind) {
    case OutputTarget::Kind::kStandardOutput:
      fd_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
      break;
    case OutputTarget::Kind::kStandardError:
      fd_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
      break;
    default:
      fd_ = ::open(target_.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  }
  if (fd_ < 0) throw WriteError(what_, errno);
}

void ReplacingFile::commit() {
  flush();
  if (target_.kind != OutputTarget::Kind::kReplaced) {
    const int closed = ::close(fd_);
    fd_ = -1;
    committed_ = true;
    if (closed != 0 && errno != EINTR) throw WriteError(what_, errno);
    return;
  }
  if (write_through_) {
    copy_into_target();
    ::close(fd_);
    fd_ = -1;
    ::unlink(temporary_.c_str());
    committed_ = true;
    cli::keep_on_stop_signal(registered_);
    return;
  }
  // EINVAL: the file system cannot sync this kind of file; nothing was lost.
  if (::fsync(fd_) != 0 && errno != EINVAL) throw WriteError(what_, errno);
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) throw WriteError(what_, errno);
  if (std::rename(temporary_.c_str(), target_.path.c_str()) != 0) throw WriteError(what_, errno);
  committed_ = true;
  cli::keep_on_stop_signal(registered_);
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace kelvaro::tools
