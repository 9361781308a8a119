#pragma once
// Input bytes in chunks, from a file, standard input or text in memory (library
// kelvaro_field_tables): what every reader of tables and reports reads from. Every read is
// checked: a file that cannot be opened, a directory, or a read that fails part-way is a
// ReadError naming the file and the system's reason, never an early end of the input. A source
// is read by one thread at a time; its caller owns it, and readers given it only borrow it.
//
//   FileSource("plots")    (a directory)  ->  ReadError: "plots: Is a directory"
//   FileSource("-")                        ->  standard input, named "standard input"

#include <cstddef>
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
  // Every byte of the input at once, without copying, when the source holds them or can map
  // them (a regular file opened by path, text in memory) and nothing has been read yet;
  // nullopt otherwise (standard input, a pipe: read them in chunks). Valid while the source is.
  virtual std::optional<std::string_view> all_bytes() { return std::nullopt; }
  // Says that the bytes of all_bytes() before `end` are no longer needed: a mapped file lets
  // the system take back their memory (reading them again still gives them). Others keep them.
  virtual void release_bytes(std::size_t end) { static_cast<void>(end); }
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
  // The file mapped into memory (read only) when it is a regular file.
  std::optional<std::string_view> all_bytes() override;
  void release_bytes(std::size_t end) override;

 private:
  std::string name_;
  int fd_ = -1;
  bool owned_ = false;
  bool read_ = false;
  void* map_ = nullptr;
  std::size_t map_size_ = 0;
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

 private:
  std::string text_;
  std::string name_;
  std::size_t chunk_;
  std::size_t next_ = 0;
};

// Bytes held elsewhere (a part of a mapped file), handed out as TextSource does; they must
// outlive the source.
class ViewSource : public ByteSource {
 public:
  ViewSource(std::string_view bytes, std::string name) : bytes_(bytes), name_(std::move(name)) {}
  std::size_t read(char* buffer, std::size_t capacity) override;
  const std::string& name() const override { return name_; }
  std::optional<std::string_view> all_bytes() override {
    if (next_ != 0) return std::nullopt;
    return bytes_;
  }

 private:
  std::string_view bytes_;
  std::string name_;
  std::size_t next_ = 0;
};

}  // namespace kelvaro::tools
