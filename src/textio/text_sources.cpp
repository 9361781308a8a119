// The input sources of the public interface: a text in memory, a file descriptor, an istream.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>

#include "kelvaro/kelvaro.h"

namespace kelvaro {

std::size_t StringSource::read(char* buf, std::size_t n) {
  const std::size_t count = std::min(n, text_.size() - pos_);
  std::memcpy(buf, text_.data() + pos_, count);
  pos_ += count;
  return count;
}

std::size_t DescriptorSource::read(char* buf, std::size_t n) {
  for (;;) {
    const ssize_t got = ::read(fd_, buf, n);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) throw InputUnreadable(std::strerror(errno));
  }
}

std::size_t StreamSource::read(char* buf, std::size_t n) {
  if (in_.bad()) throw InputUnreadable("the input stream failed");
  in_.read(buf, static_cast<std::streamsize>(n));
  const auto got = static_cast<std::size_t>(in_.gcount());
  if (in_.bad()) throw InputUnreadable("the input stream failed");
  return got;
}

}  // namespace kelvaro
