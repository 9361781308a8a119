#pragma once
// Output whose every write, flush and close is checked. A failure is a WriteError that says what
// could not be written and why ("cannot write the audit file a.csv: No space left on device");
// the programs print it as one line and exit with status 1. Files are replaced whole or not at
// all: written under a temporary name in the target's folder and renamed into place when
// complete, so that a failed run leaves no partial file behind. What is there is written
// through, never replaced: a symbolic link is followed (the file it names is replaced, the link
// stays), and what is not a regular file (a FIFO, a device such as /dev/null, /dev/stdout) is
// opened and written directly.
//
// Each object is used by one thread; any number of them may be in use at once. The caller owns
// every output it makes: a file's temporary name lives as long as its ReplacingFile (and is
// listed meanwhile among the files a stop signal removes, kelvaro/command_line.h).

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
  // Called before anything is written out: a subclass may open fd_ here.
  virtual void open_for_writing() {}

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

// Where the output for a path goes.
struct OutputTarget {
  enum class Kind {
    kReplaced,        // a regular file, or none yet: `path` is replaced through a temporary file
    kWrittenThrough,  // a FIFO, a device, a socket: `path` is opened and written directly
    kStandardOutput,  // the file that standard output (or error) is: written through it, in
    kStandardError,   //   turn with what the program writes there
  };
  Kind kind = Kind::kReplaced;
  // kReplaced: the file that is replaced, the path with its symbolic links followed
  //   ("link.csv" -> "data/real.csv"; a link to a missing file names the missing file);
  // otherwise the path as given.
  std::string path;
};
// Throws WriteError(what, ...) only for a chain of links that does not end (ELOOP).
OutputTarget output_target(const std::string& path, const std::string& what);

// A file that appears under its name only when complete: created as a hidden temporary file in
// the target's folder (".NAME.kelvaro-tmp-PID-XXXXXX": whose it is and which process made it;
// mode 0666 less the umask), renamed onto the target by
// commit(). Destroyed without commit, it removes the temporary file and leaves any earlier file
// of the target's name as it was. A target that is not a regular file (output_target()) is
// written directly instead, opened at the first write out: what was written before a failure
// has reached it. Creating one first removes from the target's folder the temporary files that
// an earlier run left when it was killed (those of a process that no longer runs and that no one
// holds locked).
//
// An existing file is replaced as careful editors do: the new file takes its mode (not the
// umask's) and its owner and group. One with several names (hard links), or whose owner or
// group the new file cannot take (another user's file in a folder of ours), is written through
// instead, so that every name sees the new content and the file keeps its owner: the content
// is still written completely to the temporary file first and copied into the file at commit()
// (a failure during that copy can leave the file cut short). A read-only file (no write
// permission, for its owner or for this process) is refused, unless forced.
enum class ReadOnlyFiles {
  kRefused,   // WriteError: "... the file out.csv is read-only (mode 0444): make it writable
              //   (chmod u+w) or remove it"
  kReplaced,  // replaced like any other, keeping its mode (a program's --force)
};

class ReplacingFile : public FdOutput {
 public:
  // Creates the temporary file. Throws WriteError (no such folder, no permission, a read-only
  // file that is not forced).
  ReplacingFile(std::string path, std::string what,
                ReadOnlyFiles read_only = ReadOnlyFiles::kRefused);
  ~ReplacingFile() override;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  // Flushes, syncs and closes the file and renames it onto the target (or copies it into the
  // target written through). Throws WriteError.
  void commit();

 protected:
  void open_for_writing() override;

 private:
  // Gives the temporary file the mode, owner and group of the file it replaces; decides to
  // write that file through when it has several names or the owner cannot be kept.
  void take_settings_of_replaced(ReadOnlyFiles read_only);
  // Copies the temporary file's content into the target (written through).
  void copy_into_target();

  OutputTarget target_;
  bool write_through_ = false;  // an existing file copied into at commit (above)
  std::string temporary_;
  int registered_ = -1;  // the slot of temporary_ among those removed on a signal
  bool committed_ = false;
};

// Makes SIGINT, SIGTERM, SIGHUP and SIGQUIT remove every ReplacingFile's temporary file before
// they end the program as they would have (cli::remove_files_on_stop_signals). A signal the
// program was started with ignored (nohup) stays ignored. For programs: a library never calls it.
void remove_temporaries_on_stop_signals();

// True when both paths name one existing file (the same device and inode: also through links).
bool same_file(const std::string& a, const std::string& b);

}  // namespace kelvaro::tools
