#include "common/archive_input.h"

#include <new>

#include "common/command_line.h"
#include "kelvaro/darwin_core_files.h"

namespace kelvaro::tools {

void add_archive_options(CLI::App& app, ArchiveFlags& flags) {
  app.add_flag("--taxon-id", flags.taxon_id,
               "Darwin Core archive: the species are the records' taxonID, not their "
               "scientificName");
  app.add_flag("--species-rank-only", flags.species_rank_only,
               "Darwin Core archive: leave out records of taxa above species rank (genus, "
               "family...); their visits still count");
}

dwc::ArchiveOptions archive_options(const CLI::App& app, const csv::LongTableColumns& columns,
                                    const ArchiveFlags& flags) {
  const auto given = [&](const char* option, const std::string& value) {
    return app.get_option_no_throw(option) != nullptr && app.count(option) > 0 ? value
                                                                               : std::string();
  };
  dwc::ArchiveOptions o;
  o.group = given("--group", columns.group);
  o.sample = given("--sample", columns.sample);
  o.site = given("--site", columns.site);
  o.species = given("--species", columns.species);
  o.count = given("--count", columns.count);
  o.taxon_id = flags.taxon_id;
  o.species_rank_only = flags.species_rank_only;
  return o;
}

std::optional<std::string> archive_misuse(const CLI::App& app, const std::string& input,
                                          bool archive) {
  if (archive && app.count("--sep") > 0) {
    return "--sep applies to a long table; " + input +
           " is a Darwin Core archive, whose files say their own separators (meta.xml, or "
           "their header rows)";
  }
  if (!archive) {
    for (const char* option : {"--taxon-id", "--species-rank-only"}) {
      if (app.count(option) > 0) {
        return std::string(option) +
               " applies to a Darwin Core archive (a zip, or a folder of "
               "its files); " +
               input + " is read as a long table";
      }
    }
  }
  return std::nullopt;
}

std::optional<dwc::DarwinCoreTable> read_archive(const std::string& path,
                                                 const dwc::ArchiveOptions& options,
                                                 const dwc::DarwinCoreTable::GoOn& go_on) {
  try {
    const std::unique_ptr<dwc::ArchiveFiles> files = dwc::open_archive(path);
    dwc::DarwinCoreTable table(dwc::native_input(*files), options);
    if (!table.read(go_on)) return std::nullopt;
    return table;
  } catch (const std::bad_alloc&) {
    throw dwc::ArchiveError(path,
                            "its events and occurrences do not fit in memory; read it on a "
                            "machine with more memory, or split the archive by years or regions");
  }
}

void print_archive_warnings(const CLI::App& app, const dwc::DarwinCoreTable& table,
                            const std::string& passed_over) {
  for (const dwc::ArchiveWarning& w : table.warnings()) {
    if (w.kind != passed_over) print_error(app, "warning: " + table.archive() + ": " + w.message);
  }
}

}  // namespace kelvaro::tools
