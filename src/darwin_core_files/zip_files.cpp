// A zip file's entries as an archive's files, through minizip, from the zip's bytes in memory (the
// file read whole), checked against the limits of kelvaro/darwin_core_files.h.

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <string>

#include "darwin_core/meta_layout.h"
#include "kelvaro/darwin_core_files.h"

namespace kelvaro::dwc {
namespace {

// Entries listed at most: a central directory of millions of entries is no data set's.
constexpr std::size_t kMaxEntries = 100000;
// A name longer than this is no file of an archive.
constexpr std::size_t kMaxNameBytes = 4096;
// The general purpose flag's bit of an encrypted entry.
constexpr uLong kEncrypted = 1;

// The zip's bytes as minizip's file: reads and seeks checked against their end.
struct MemoryFile {
  std::string_view bytes;
  std::uint64_t position = 0;
};

voidpf ZCALLBACK open_memory(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK read_memory(voidpf, voidpf stream, void* buffer, uLong size) {
  auto* f = static_cast<MemoryFile*>(stream);
  const std::uint64_t left = f->position < f->bytes.size() ? f->bytes.size() - f->position : 0;
  const auto n = static_cast<uLong>(std::min<std::uint64_t>(size, left));
  if (n > 0) std::memcpy(buffer, f->bytes.data() + f->position, n);
  f->position += n;
  return n;
}

uLong ZCALLBACK write_memory(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK tell_memory(voidpf, voidpf stream) {
  return static_cast<MemoryFile*>(stream)->position;
}

long ZCALLBACK seek_memory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* f = static_cast<MemoryFile*>(stream);
  std::uint64_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = f->position;
  if (origin == ZLIB_FILEFUNC_SEEK_END) base = f->bytes.size();
  if (offset > f->bytes.size() || base > f->bytes.size() - offset) return -1;
  f->position = base + offset;
  return 0;
}

int ZCALLBACK close_memory(voidpf, voidpf) { return 0; }
int ZCALLBACK error_memory(voidpf, voidpf) { return 0; }

class ZipFiles : public ArchiveFiles {
 public:
  ZipFiles(std::unique_ptr<tools::ByteSource> owner, std::string_view bytes, std::string name,
           const ZipLimits& limits);
  ~ZipFiles() override {
    if (zip_ != nullptr) unzClose(zip_);
  }
  ZipFiles(const ZipFiles&) = delete;
  ZipFiles& operator=(const ZipFiles&) = delete;

  const std::string& name() const override { return name_; }
  std::vector<std::string> list() override;
  std::unique_ptr<tools::ByteSource> open(const std::string& file) override;
  std::vector<std::string> left_out() const override { return left_out_; }

  // What the entry being read (generation `generation`) gives next; 0 at its end, after its
  // checksum was found right. Throws ArchiveError, tools::ReadError.
  std::size_t read(std::uint64_t generation, const std::string& file, char* buffer,
                   std::size_t capacity);

 private:
  struct Entry {
    unz64_file_pos position;
    std::uint64_t length;
  };
  void list_entries();

  std::unique_ptr<tools::ByteSource> owner_;  // holds the bytes
  MemoryFile file_;
  std::string name_;
  ZipLimits limits_;
  unzFile zip_ = nullptr;
  std::map<std::string, Entry> entries_;
  std::vector<std::string> left_out_;
  std::uint64_t generation_ = 0;  // of the entry open for reading
  std::uint64_t entry_left_ = 0;  // bytes the open entry may still give
  std::uint64_t total_left_ = 0;  // bytes all entries may still give
};

class EntrySource : public tools::ByteSource {
 public:
  EntrySource(ZipFiles& zip, std::uint64_t generation, std::string file, std::string name)
      : zip_(zip), generation_(generation), file_(std::move(file)), name_(std::move(name)) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    return zip_.read(generation_, file_, buffer, capacity);
  }
  const std::string& name() const override { return name_; }

 private:
  ZipFiles& zip_;
  std::uint64_t generation_;
  std::string file_;
  std::string name_;
};

ZipFiles::ZipFiles(std::unique_ptr<tools::ByteSource> owner, std::string_view bytes,
                   std::string name, const ZipLimits& limits)
    : owner_(std::move(owner)), file_{bytes, 0}, name_(std::move(name)), limits_(limits) {
  zlib_filefunc64_def functions{};
  functions.zopen64_file = open_memory;
  functions.zread_file = read_memory;
  functions.zwrite_file = write_memory;
  functions.ztell64_file = tell_memory;
  functions.zseek64_file = seek_memory;
  functions.zclose_file = close_memory;
  functions.zerror_file = error_memory;
  functions.opaque = &file_;
  zip_ = unzOpen2_64("", &functions);
  if (zip_ == nullptr) {
    throw ArchiveError(name_,
                       "not a zip archive that can be read (its central directory is missing or "
                       "damaged: was the download complete?)");
  }
  const std::uint64_t ratio_bound = limits_.max_ratio * static_cast<std::uint64_t>(bytes.size());
  total_left_ = std::max(limits_.min_total, ratio_bound);
  try {
    list_entries();
  } catch (...) {
    // A constructor that throws runs no destructor: the zip is closed here.
    unzClose(zip_);
    zip_ = nullptr;
    throw;
  }
}

void ZipFiles::list_entries() {
  char name[kMaxNameBytes + 1];
  int status = unzGoToFirstFile(zip_);
  for (std::size_t n = 0; status == UNZ_OK; status = unzGoToNextFile(zip_), ++n) {
    if (n == kMaxEntries) {
      throw ArchiveError(name_, "it has more than " + std::to_string(kMaxEntries) +
                                    " entries, more than any data set's archive");
    }
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip_, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
      break;
    }
    const std::string written(name, std::min<std::size_t>(info.size_filename, kMaxNameBytes));
    if (written.empty() || written.back() == '/') continue;  // a folder
    const std::optional<std::string> plain = plain_file_name(written);
    if (!plain || info.size_filename > kMaxNameBytes) {
      left_out_.push_back(written);
      continue;
    }
    Entry entry{};
    unzGetFilePos64(zip_, &entry.position);
    entry.length = info.uncompressed_size;
    entries_.emplace(*plain, entry);  // a name given twice: the first entry
  }
  if (status != UNZ_END_OF_LIST_OF_FILE && status != UNZ_OK) {
    throw ArchiveError(name_, "its list of entries is damaged (was the download complete?)");
  }
}

std::vector<std::string> ZipFiles::list() {
  std::vector<std::string> names;
  for (const auto& [name, entry] : entries_) names.push_back(name);
  return names;
}

std::unique_ptr<tools::ByteSource> ZipFiles::open(const std::string& file) {
  const auto found = entries_.find(file);
  if (found == entries_.end()) throw ArchiveError(name_, "it holds no file " + file);
  unz64_file_pos position = found->second.position;
  unz_file_info64 info{};
  if (unzGoToFilePos64(zip_, &position) != UNZ_OK ||
      unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
    throw ArchiveError(name_, file + ": the entry is damaged");
  }
  if ((info.flag & kEncrypted) != 0) {
    throw ArchiveError(name_, file +
                                  " is encrypted; kelvaro reads archives without a password "
                                  "(unpack it and give the folder)");
  }
  if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
    throw ArchiveError(name_, file + " is compressed by method " +
                                  std::to_string(info.compression_method) +
                                  ", which kelvaro does not read (zip it again with deflate, "
                                  "or unpack it and give the folder)");
  }
  if (info.uncompressed_size > limits_.max_ratio * info.compressed_size + 65536) {
    throw ArchiveError(name_, file + " would inflate " + std::to_string(info.compressed_size) +
                                  " bytes into " + std::to_string(info.uncompressed_size) +
                                  ", more than any compression gives: the zip is damaged or "
                                  "made to exhaust memory");
  }
  if (unzOpenCurrentFile(zip_) != UNZ_OK) {
    throw ArchiveError(name_, file + ": the entry cannot be read (damaged?)");
  }
  entry_left_ = info.uncompressed_size;
  return std::make_unique<EntrySource>(*this, ++generation_, file, name_ + "/" + file);
}

std::size_t ZipFiles::read(std::uint64_t generation, const std::string& file, char* buffer,
                           std::size_t capacity) {
  const std::string what = name_ + "/" + file;
  if (generation != generation_) {
    throw tools::ReadError(what, "another file of the zip was opened since");
  }
  if (entry_left_ == 0) {
    // Past the stated length: anything more is forged; then the checksum.
    char extra = 0;
    const int more = unzReadCurrentFile(zip_, &extra, 1);
    const int closed = unzCloseCurrentFile(zip_);
    ++generation_;
    if (more != 0 || closed != UNZ_OK) {
      throw tools::ReadError(what, "the entry is damaged (its length or checksum is wrong)");
    }
    return 0;
  }
  const std::uint64_t allowed =
      std::min<std::uint64_t>({capacity, entry_left_, total_left_, std::uint64_t{1} << 30});
  if (allowed == 0) {
    throw ArchiveError(name_, "its entries inflate to more than " +
                                  std::to_string(limits_.max_ratio) +
                                  " times the zip's size: a zip made to exhaust memory");
  }
  const int n = unzReadCurrentFile(zip_, buffer, static_cast<unsigned>(allowed));
  if (n < 0 || (n == 0 && entry_left_ > 0)) {
    unzCloseCurrentFile(zip_);
    ++generation_;
    throw tools::ReadError(what, "the entry is damaged (it ends early or does not inflate)");
  }
  entry_left_ -= static_cast<std::uint64_t>(n);
  total_left_ -= static_cast<std::uint64_t>(n);
  return static_cast<std::size_t>(n);
}

}  // namespace

std::unique_ptr<ArchiveFiles> open_zip_bytes(std::string_view bytes, std::string name,
                                             const ZipLimits& limits) {
  return std::make_unique<ZipFiles>(nullptr, bytes, std::move(name), limits);
}

std::unique_ptr<ArchiveFiles> open_zip(const std::string& path, const ZipLimits& limits) {
  if (path == "-") {
    throw ArchiveError("standard input",
                       "a zip is read from its end: give the archive's file name instead");
  }
  // A zip is read from its end, at any offset: its bytes are read into memory whole (the file is
  // never mapped, so a file cut short while it is read is an error, not a signal).
  tools::FileSource file(path);
  const std::optional<std::uint64_t> size = file.size();
  if (!size) {
    throw ArchiveError(path,
                       "the zip cannot be read at any offset (a pipe or a device?): "
                       "give the archive as a regular file, or unpack it into a folder");
  }
  if (*size > std::numeric_limits<std::size_t>::max()) {
    throw ArchiveError(path, "the zip is too large to be read on this machine");
  }
  std::string bytes(static_cast<std::size_t>(*size), '\0');
  if (!bytes.empty()) file.read_at(0, bytes.data(), bytes.size());
  file.check_unchanged();
  auto held = std::make_unique<tools::TextSource>(std::move(bytes), path);
  const std::string_view view = *held->all_bytes();
  return std::make_unique<ZipFiles>(std::move(held), view, path, limits);
}

}  // namespace kelvaro::dwc
