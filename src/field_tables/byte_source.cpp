#include "kelvaro/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kelvaro::tools {
namespace {

constexpr const char* kChanged = "the file changed while it was read";

// The bytes [offset, offset + count) of `bytes` into `buffer`.
void copy_range(std::string_view bytes, const std::string& name, std::uint64_t offset, char* buffer,
                std::size_t count) {
  if (offset > bytes.size() || count > bytes.size() - offset) {
    throw ReadError(name, "read past the end");  // a caller's slip: size() says where it ends
  }
  std::copy_n(bytes.data() + offset, count, buffer);
}

}  // namespace

void ByteSource::read_at(std::uint64_t offset, char* buffer, std::size_t count) {
  static_cast<void>(offset);
  static_cast<void>(buffer);
  static_cast<void>(count);
  throw ReadError(name(), "cannot be read at an offset");
}

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

std::optional<std::uint64_t> FileSource::size() {
  if (!owned_ || read_) return std::nullopt;
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
    return std::nullopt;  // read in chunks: a file of /proc says 0 and has content
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
  modified_[0] = info.st_mtim.tv_sec;
  modified_[1] = info.st_mtim.tv_nsec;
  return size_;
}

void FileSource::read_at(std::uint64_t offset, char* buffer, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::pread(fd_, buffer, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw ReadError(name_, std::strerror(errno));
    if (n == 0) throw ReadError(name_, std::string(kChanged) + " (it became shorter)");
    buffer += n;
    offset += static_cast<std::uint64_t>(n);
    count -= static_cast<std::size_t>(n);
  }
}

void FileSource::check_unchanged() {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) throw ReadError(name_, std::strerror(errno));
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (size < size_) throw ReadError(name_, std::string(kChanged) + " (it became shorter)");
  if (size > size_) throw ReadError(name_, std::string(kChanged) + " (it became longer)");
  if (info.st_mtim.tv_sec != modified_[0] || info.st_mtim.tv_nsec != modified_[1]) {
    throw ReadError(name_, std::string(kChanged) + " (it was written to)");
  }
}

std::size_t FileSource::read(char* buffer, std::size_t capacity) {
  read_ = true;
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

std::optional<std::uint64_t> TextSource::size() {
  if (next_ != 0) return std::nullopt;
  return text_.size();
}

void TextSource::read_at(std::uint64_t offset, char* buffer, std::size_t count) {
  copy_range(text_, name_, offset, buffer, count);
}

std::size_t ViewSource::read(char* buffer, std::size_t capacity) {
  const std::size_t n = std::min(capacity, bytes_.size() - next_);
  std::copy_n(bytes_.data() + next_, n, buffer);
  next_ += n;
  return n;
}

std::optional<std::uint64_t> ViewSource::size() {
  if (next_ != 0) return std::nullopt;
  return bytes_.size();
}

void ViewSource::read_at(std::uint64_t offset, char* buffer, std::size_t count) {
  copy_range(bytes_, name_, offset, buffer, count);
}

}  // namespace kelvaro::tools
