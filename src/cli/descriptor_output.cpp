#include "cli/descriptor_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kelvaro::cli {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;
}  // namespace

DescriptorOutput::DescriptorOutput(int fd) : fd_(fd), buffer_(kBufferSize) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

DescriptorOutput::~DescriptorOutput() { flush(); }

bool DescriptorOutput::write_all(const char* data, std::size_t size) {
  while (size > 0 && error_ == 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
    } else if (n == 0) {
      error_ = EIO;  // a descriptor that takes nothing and reports nothing
    } else {
      data += n;
      size -= static_cast<std::size_t>(n);
    }
  }
  return error_ == 0;
}

bool DescriptorOutput::flush() {
  const auto pending = static_cast<std::size_t>(pptr() - pbase());
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  if (closed_) return error_ == 0;
  return write_all(buffer_.data(), pending);
}

bool DescriptorOutput::close() {
  flush();
  if (closed_) return error_ == 0;
  closed_ = true;
  if (::close(fd_) != 0 && error_ == 0 && errno != EINTR) error_ = errno;
  return error_ == 0;
}

std::string DescriptorOutput::reason() const { return error_ == 0 ? "" : std::strerror(error_); }

DescriptorOutput::int_type DescriptorOutput::overflow(int_type c) {
  if (!flush()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize DescriptorOutput::xsputn(const char* s, std::streamsize n) {
  const auto size = static_cast<std::size_t>(n);
  if (size <= static_cast<std::size_t>(epptr() - pptr())) {
    std::memcpy(pptr(), s, size);
    pbump(static_cast<int>(n));
    return n;
  }
  if (!flush() || !write_all(s, size)) return 0;
  return n;
}

int DescriptorOutput::sync() { return flush() ? 0 : -1; }

}  // namespace kelvaro::cli
