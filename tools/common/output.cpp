#include "common/output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace kelvaro::tools {
namespace {

// Large enough that writing costs few system calls, small enough to stay out of the way.
constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

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

ReplacingFile::ReplacingFile(std::string path, std::string what)
    : FdOutput(-1, std::move(what)), path_(std::move(path)) {
  const std::filesystem::path target(path_);
  std::string pattern =
      (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = ::mkstemp(name.data());
  if (fd_ < 0) throw WriteError(what_, errno);
  temporary_ = name.data();
  if (::fchmod(fd_, less_umask(0666)) != 0) {
    const int error = errno;
    ::close(fd_);
    ::unlink(temporary_.c_str());
    throw WriteError(what_, error);
  }
}

ReplacingFile::~ReplacingFile() {
  if (committed_) return;
  if (fd_ >= 0) ::close(fd_);
  ::unlink(temporary_.c_str());
}

void ReplacingFile::commit() {
  flush();
  // EINVAL: the file system cannot sync this kind of file; nothing was lost.
  if (::fsync(fd_) != 0 && errno != EINVAL) throw WriteError(what_, errno);
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) throw WriteError(what_, errno);
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) throw WriteError(what_, errno);
  committed_ = true;
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace kelvaro::tools
