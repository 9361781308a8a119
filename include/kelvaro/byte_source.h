#pragma once
// Input bytes in chunks, from a file, standard input or text in memory (library
// kelvaro_field_tables): what every reader of tables and reports reads from. Every read is
// checked: a file that cannot be opened, a directory, or a read that fails part-way is a
// ReadError naming the file and the system's reason, never an early end of the input. A source
// is read by one thread at a time (read_at excepted: below); its caller owns it, and readers
// given it only borrow it.
//
//   FileSource("plots")    (a directory)  ->  ReadError: "plots: Is a directory"
//   FileSource("-")                        ->  standard input, named "standard input"
//
// A regular file named by path can also be read at any offset, by several threads at once (a
// long table is read in parts that way). It is read, never mapped into memory: a file cut short
// or rewritten while it is read (by another program, a network file system, a failing disk) is
// a ReadError, "the file changed while it was read", where a mapping would end the program with
// a bus error; and reading it takes no more memory than reading standard input.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvaro::tools {

class ReadError : public std::runtime_error {
 public:
  ReadError(std::string file, std::string reason)
      : std::runtime_error(file + ": " + reason),
        file_(std::move(file)),
        reason_(std::move(reason)) {}
  const std::string& file() const { return file_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string file_;
  std::string reason_;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Copies up to `capacity` next bytes into `buffer` and returns their number; 0 only at the end
  // of the input. Throws ReadError.
  virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
  // The name that messages give the input: its path, or "standard input".
  virtual const std::string& name() const = 0;
  // Every byte of the input at once, without copying, when the source holds them in memory (text
  // in memory) and nothing has been read yet; nullopt otherwise. Valid while the source is.
  virtual std::optional<std::string_view> all_bytes() { return std::nullopt; }
  // The number of bytes of the input when it can be read at any offset (read_at) and nothing
  // has been read yet: a regular file opened by path whose size the system reports (a file that
  // reports 0, as those of /proc do, is read in chunks instead), text in memory; nullopt
  // otherwise (standard input, a pipe: read them in chunks).
  virtual std::optional<std::uint64_t> size() { return std::nullopt; }
  // Copies the `count` bytes at `offset` into `buffer`. Any number of threads may call it at
  // once (and no one read()). Throws ReadError, "the file changed while it was read" for a file
  // that has become shorter than size() said. Requires: size() gave a value, and offset + count
  // is at most that value.
  virtual void read_at(std::uint64_t offset, char* buffer, std::size_t count);
  // Throws ReadError "the file changed while it was read" when the input is no longer as it was
  // when size() was asked (its size or its time of modification differ): a reader in parts asks
  // at its end, so that what it read is one version of the file. Others never throw.
  virtual void check_unchanged() {}
};

// A file opened by path; "-" is standard input (left open at the end).
class FileSource : public ByteSource {
 public:
  // Opens the file. Throws ReadError when it cannot be opened or is a directory.
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  std::size_t read(char* buffer, std::size_t capacity) override;
  const std::string& name() const override { return name_; }
  std::optional<std::uint64_t> size() override;
  void read_at(std::uint64_t offset, char* buffer, std::size_t count) override;
  void check_unchanged() override;

 private:
  std::string name_;
  int fd_ = -1;
  bool owned_ = false;
  bool read_ = false;
  // What size() saw: the size and the time of modification (seconds, nanoseconds).
  std::uint64_t size_ = 0;
  std::int64_t modified_[2] = {0, 0};
};

// Text held in memory (tests, benchmarks), handed out in chunks of at most `chunk` bytes so that
// readers meet their chunk boundaries as they would with a file.
class TextSource : public ByteSource {
 public:
  explicit TextSource(std::string text, std::string name = "text", std::size_t chunk = 65536)
      : text_(std::move(text)), name_(std::move(name)), chunk_(chunk) {}
  std::size_t read(char* buffer, std::size_t capacity) override;
  const std::string& name() const override { return name_; }
  std::optional<std::string_view> all_bytes() override {
    if (next_ != 0) return std::nullopt;
    return std::string_view(text_);
  }
  std::optional<std::uint64_t> size() override;
  void read_at(std::uint64_t offset, char* buffer, std::size_t count) override;

 private:
  std::string text_;
  std::string name_;
  std::size_t chunk_;
  std::size_t next_ = 0;
};

// Bytes held elsewhere, handed out as TextSource does; they must outlive the source.
class ViewSource : public ByteSource {
 public:
  ViewSource(std::string_view bytes, std::string name) : bytes_(bytes), name_(std::move(name)) {}
  std::size_t read(char* buffer, std::size_t capacity) override;
  const std::string& name() const override { return name_; }
  std::optional<std::string_view> all_bytes() override {
    if (next_ != 0) return std::nullopt;
    return bytes_;
  }
  std::optional<std::uint64_t> size() override;
  void read_at(std::uint64_t offset, char* buffer, std::size_t count) override;

 private:
  std::string_view bytes_;
  std::string name_;
  std::size_t next_ = 0;
};

}  // namespace kelvaro::tools
