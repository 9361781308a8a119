#pragma once
// Standard output written to the descriptor the program received, as it is: a file opened in
// append mode, a pipe, a socket or a terminal all keep working, because nothing is reopened,
// truncated or translated. Every write is checked and the first failure is kept, so that a
// report that could not be written completely is never taken for a complete one.

#include <streambuf>
#include <string>
#include <vector>

namespace kelvaro::cli {

class DescriptorOutput final : public std::streambuf {
 public:
  // fd stays open until close(); the buffer holds 64 KiB.
  explicit DescriptorOutput(int fd);
  ~DescriptorOutput() override;

  // Writes what is buffered. False (and the reason kept) when the descriptor refused it.
  bool flush();

  // Flushes and closes the descriptor; a failure of either is kept. False when anything failed,
  // now or before.
  bool close();

  bool failed() const { return error_ != 0; }
  // The system's reason for the first failure ("No space left on device"), or "" when none.
  std::string reason() const;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool write_all(const char* data, std::size_t size);

  int fd_;
  bool closed_ = false;
  int error_ = 0;
  std::vector<char> buffer_;
};

}  // namespace kelvaro::cli
