#include "kelvaro/byte_source.h"

#include <fcntl.h>
#include <sys/mman.h>
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
  if (map_ != nullptr) ::munmap(map_, map_size_);
  if (owned_ && fd_ >= 0) ::close(fd_);
}

void FileSource::release_bytes(std::size_t end) {
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t whole = std::min(end, map_size_) / page * page;
  // The pages come back from the file if they are read again: the mapping is private and never
  // written.
  if (map_ != nullptr && whole > 0) ::madvise(map_, whole, MADV_DONTNEED);
}

std::optional<std::string_view> FileSource::all_bytes() {
  if (!owned_ || read_) return std::nullopt;
  if (map_ != nullptr) return std::string_view(static_cast<const char*>(map_), map_size_);
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (info.st_size == 0) return std::string_view();
  const auto size = static_cast<std::size_t>(info.st_size);
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd_, 0);
  if (map == MAP_FAILED) return std::nullopt;  // read in chunks instead
  ::madvise(map, size, MADV_SEQUENTIAL);
  map_ = map;
  map_size_ = size;
  return std::string_view(static_cast<const char*>(map_), map_size_);
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

std::size_t ViewSource::read(char* buffer, std::size_t capacity) {
  const std::size_t n = std::min(capacity, bytes_.size() - next_);
  std::copy_n(bytes_.data() + next_, n, buffer);
  next_ += n;
  return n;
}

}  // namespace kelvaro::tools
