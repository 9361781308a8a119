#pragma once
// Where the free-form reader takes its bytes from: a text held in memory, an open file
// descriptor or a std::istream. A source hands out the input in pieces, so the reader never
// needs more memory than its buffer, whatever the length of the input.

#include <cstddef>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvaro::textio {

// The input could not be read at all (not a malformed value: an I/O error, a directory, a
// closed descriptor). what() is the system's reason, e.g. "Is a directory".
class InputFailure : public std::runtime_error {
 public:
  explicit InputFailure(const std::string& reason) : std::runtime_error(reason) {}
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Copies the next bytes of the input into buf (at most n, n >= 1) and returns how many;
  // 0 only at the end of the input. Throws InputFailure when the input cannot be read.
  virtual std::size_t read(char* buf, std::size_t n) = 0;
};

// A text in memory. The text must outlive the source.
class TextSource final : public ByteSource {
 public:
  explicit TextSource(std::string_view text) : text_(text) {}
  std::size_t read(char* buf, std::size_t n) override;

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// An open file descriptor, read as it is (a file, a pipe, a socket, a terminal). Reads that are
// interrupted by a signal are retried. The descriptor is not closed.
class DescriptorSource final : public ByteSource {
 public:
  explicit DescriptorSource(int fd) : fd_(fd) {}
  std::size_t read(char* buf, std::size_t n) override;

 private:
  int fd_;
};

// A std::istream; a stream that goes bad (not merely at its end) is an InputFailure.
class StreamSource final : public ByteSource {
 public:
  explicit StreamSource(std::istream& in) : in_(in) {}
  std::size_t read(char* buf, std::size_t n) override;

 private:
  std::istream& in_;
};

}  // namespace kelvaro::textio
