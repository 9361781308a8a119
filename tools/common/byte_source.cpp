#include "common/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kelvaro::tools {

FileSource::FileSource(const std::string& path) : name_(path == "-" ? "standard input" : path) {
  if (path == "-") {
    fd_ = STDIN_FILENO;
  } else {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw ReadError(name_, std::strerror(errno));
    owned_ = true;
  }
  struct stat info {};
  const int error = ::fstat(fd_, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
  if (error != 0) {
    if (owned_) ::close(fd_);
    throw ReadError(name_, std::strerror(error));
  }
}

FileSource::~FileSource() {
  if (owned_ && fd_ >= 0) ::close(fd_);
}

std::size_t FileSource::read(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, capacity);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw ReadError(name_, std::strerror(errno));
  }
}

std::size_t TextSource::read(char* buffer, std::size_t capacity) {
  const std::size_t n = std::min({capacity, chunk_, text_.size() - next_});
  std::copy_n(text_.data() + next_, n, buffer);
  next_ += n;
  return n;
}

}  // namespace kelvaro::tools
