#pragma once
// Output whose every write, flush and close is checked. A failure is a WriteError that says what
// could not be written and why ("cannot write the audit file a.csv: No space left on device");
// the programs print it as one line and exit with status 1. Files are replaced whole or not at
// all: written under a temporary name in the target's folder and renamed into place when
// complete, so that a failed run leaves no partial file behind.

#include <sys/types.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvaro::tools {

class WriteError : public std::runtime_error {
 public:
  WriteError(const std::string& what, const std::string& reason)
      : std::runtime_error("cannot write " + what + ": " + reason) {}
  // The reason a system error number gives: "No space left on device" for ENOSPC.
  WriteError(const std::string& what, int error);
};

// `mode` less the process's umask: the mode that a file or folder made with `mode` takes.
mode_t less_umask(mode_t mode);

class Output {
 public:
  virtual ~Output() = default;
  // Appends `text`. Throws WriteError (possibly only at a later write or at the flush).
  virtual void write(std::string_view text) = 0;
};

// Output collected in memory (tests).
class StringOutput : public Output {
 public:
  void write(std::string_view text) override { text_ += text; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Buffered output to an open file descriptor. Nothing is written out on destruction: a caller
// that completes calls flush(); one that fails leaves the rest unwritten.
class FdOutput : public Output {
 public:
  // `what` names the output in errors: "the JSON document", "the audit file a.csv".
  FdOutput(int fd, std::string what) : fd_(fd), what_(std::move(what)) {}
  void write(std::string_view text) override;
  // Writes out everything buffered. Throws WriteError.
  void flush();

 protected:
  int fd_;
  std::string what_;

 private:
  std::string buffer_;
};

// Standard output.
class StandardOutput : public FdOutput {
 public:
  explicit StandardOutput(std::string what);
  // Flushes and closes standard output, where a file system may report a failed write late.
  // Throws WriteError. Requires: nothing more is written to standard output.
  void finish();
};

// A file that appears under its name only when complete: created as a hidden temporary file in
// the target's folder (".NAME.XXXXXX", mode 0666 less the umask), renamed onto the target by
// commit(). Destroyed without commit, it removes the temporary file and leaves any earlier file
// of the target's name as it was.
class ReplacingFile : public FdOutput {
 public:
  // Creates the temporary file. Throws WriteError (no such folder, no permission).
  ReplacingFile(std::string path, std::string what);
  ~ReplacingFile() override;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  // Flushes, syncs and closes the file and renames it onto the target. Throws WriteError.
  void commit();

 private:
  std::string path_;
  std::string temporary_;
  bool committed_ = false;
};

// True when both paths name one existing file (the same device and inode: also through links).
bool same_file(const std::string& a, const std::string& b);

}  // namespace kelvaro::tools
