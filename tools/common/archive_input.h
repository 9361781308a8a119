#pragma once
// What kelvaro-prep and kelvaro-batch do alike with a Darwin Core archive given where a long table
// is expected (kelvaro/darwin_core.h): its options, the archive read, its warnings printed.

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "kelvaro/darwin_core.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::tools {

struct ArchiveFlags {
  bool taxon_id = false;
  bool species_rank_only = false;
};

// --taxon-id and --species-rank-only.
void add_archive_options(CLI::App& app, ArchiveFlags& flags);

// The archive's column terms: the options --group, --sample, --site, --species and --count
// that were given (`columns` holds their values), the archive's defaults for the others.
dwc::ArchiveOptions archive_options(const CLI::App& app, const csv::LongTableColumns& columns,
                                    const ArchiveFlags& flags);

// What is wrong with options that apply to the other kind of input: --sep with an archive,
// --taxon-id or --species-rank-only with a long table; nullopt when nothing. `input`: the path.
std::optional<std::string> archive_misuse(const CLI::App& app, const std::string& input,
                                          bool archive);

// The archive at `path` read as a long table; nullopt when `go_on` stopped it. Throws
// dwc::ArchiveError, csv::InputError, ReadError, and std::bad_alloc as dwc::ArchiveError ("too
// large for memory").
std::optional<dwc::DarwinCoreTable> read_archive(const std::string& path,
                                                 const dwc::ArchiveOptions& options,
                                                 const dwc::DarwinCoreTable::GoOn& go_on);

// Prints the archive's warnings, "<program>: warning: <archive>: <sentence>", but those of the
// kind `passed_over` (kelvaro-prep has no groups: no_location).
void print_archive_warnings(const CLI::App& app, const dwc::DarwinCoreTable& table,
                            const std::string& passed_over = "");

}  // namespace kelvaro::tools
