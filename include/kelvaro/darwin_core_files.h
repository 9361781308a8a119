#pragma once
// Darwin Core archives on disk (library kelvaro_darwin_core_files, built for native programs
// only: it links Debian's pugixml and minizip with zlib, statically): zip files and folders as
// kelvaro/darwin_core.h's ArchiveFiles, and XML parsed into its element trees. A web page, R or
// Python unpack and parse with what their platform offers and use kelvaro/darwin_core.h alone.
//
// An input path is an archive when it is a folder, or a file that begins as a zip does (the
// bytes PK\3\4, or PK\5\6 for an empty zip); anything else is a table, read as before. A zip is
// read into memory whole (never mapped, so a file cut short meanwhile is a read error, not a
// signal) and its entries are inflated as they are read, so that memory holds the compressed
// archive and one part of a table at a time; one that cannot be read at any offset (standard
// input, a pipe) is refused. Against hostile zips: entries whose names reach outside the archive
// are left out (ArchiveFiles::left_out), encrypted entries and compression methods other than
// stored and deflate are refused when opened, an entry may not inflate to more than ZipLimits
// allow, and every read is checked against the entry's length and checksum.
//
// Thread safety: every function is reentrant; an ArchiveFiles is used by one thread at a time.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "kelvaro/darwin_core.h"

namespace kelvaro::dwc {

// Bounds on what a zip's entries may inflate to. Deflate cannot compress more than about 1032
// to 1, so a larger ratio is a zip bomb made of overlapping or forged entries.
struct ZipLimits {
  std::uint64_t max_ratio = 1100;  // an entry's length over its compressed length
  // Bytes inflated from all entries together, beyond max_ratio times the zip's size: the same
  // entry read again and again is a bomb too.
  std::uint64_t min_total = std::uint64_t{1} << 20;
};

// The zip file at `path`. Throws ArchiveError (not a zip, a damaged one, standard input) and
// tools::ReadError (cannot be opened).
std::unique_ptr<ArchiveFiles> open_zip(const std::string& path, const ZipLimits& limits = {});

// The zip held in `bytes` (which must outlive the files), called `name` in messages.
std::unique_ptr<ArchiveFiles> open_zip_bytes(std::string_view bytes, std::string name,
                                             const ZipLimits& limits = {});

// True when the file or folder at `path` is to be read as an archive: a folder, or a file that
// begins as a zip does. "-" (standard input) and paths that cannot be read are not.
bool is_archive_path(const std::string& path);

// The archive at `path` (a zip or a folder). Throws as open_zip and FolderFiles.
// Requires: is_archive_path(path).
std::unique_ptr<ArchiveFiles> open_archive(const std::string& path);

// XML parsed with pugixml into an element tree (kelvaro/darwin_core.h XmlElement): UTF-8 and
// UTF-16 with a byte-order mark, and documents declaring ISO-8859-1 or windows-1252. Document
// type declarations are not expanded. Throws ArchiveError for a malformed document ("meta.xml:
// not well-formed XML at byte 120: end tag does not match"), one nested deeper than
// kMaxXmlDepth, or one without an element.
XmlElement parse_xml(std::string_view bytes, const std::string& file);

// An ArchiveInput of `files` with parse_xml as its parser.
ArchiveInput native_input(ArchiveFiles& files);

}  // namespace kelvaro::dwc
