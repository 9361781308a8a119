#include "plan/output_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kelvaro::plan {
namespace {

std::string failure(const std::string& what, int error) {
  return "cannot write " + what + ": " + std::strerror(error);
}

// errno of the first failed write, or 0.
int write_all(int fd, const std::string& text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

// The permissions open(path, O_CREAT, 0666) would give: 0666 less the process's umask.
mode_t created_file_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::optional<std::string> write_descriptor(int fd, const std::string& text,
                                            const std::string& what) {
  const int error = write_all(fd, text);
  if (error != 0) return failure(what, error);
  return std::nullopt;
}

std::optional<std::string> write_file_atomically(const std::string& path,
                                                 const std::string& text) {
  std::string name = path + ".XXXXXX";
  std::vector<char> temporary(name.begin(), name.end());
  temporary.push_back('\0');
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return failure(path, errno);
  const std::string temp(temporary.data());
  int error = ::fchmod(fd, created_file_mode()) != 0 ? errno : 0;
  if (error == 0) error = write_all(fd, text);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return failure(path, error);
  }
  return std::nullopt;
}

}  // namespace kelvaro::plan
