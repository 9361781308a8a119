#include "darwin_core/archive_reader.h"
#include "kelvaro/darwin_core.h"

namespace kelvaro::dwc {

DarwinCoreTable::DarwinCoreTable(const ArchiveInput& input, const ArchiveOptions& options) {
  if (input.files == nullptr) throw ArchiveError("archive", "no files were given");
  reader_ = std::make_unique<ArchiveReader>(input, options);
}

DarwinCoreTable::~DarwinCoreTable() = default;
DarwinCoreTable::DarwinCoreTable(DarwinCoreTable&&) noexcept = default;
DarwinCoreTable& DarwinCoreTable::operator=(DarwinCoreTable&&) noexcept = default;

bool DarwinCoreTable::read(const GoOn& go_on) { return reader_->read(go_on); }
std::size_t DarwinCoreTable::size() const { return reader_->size(); }
LongRow DarwinCoreTable::row(std::size_t i) const { return reader_->row(i); }
std::string DarwinCoreTable::description() const { return reader_->description(); }
const std::string& DarwinCoreTable::archive() const { return reader_->archive(); }
const ColumnTerms& DarwinCoreTable::terms() const { return reader_->terms(); }
std::vector<std::string> DarwinCoreTable::held_terms() const { return reader_->held_terms(); }
const Citation& DarwinCoreTable::citation() const { return reader_->citation(); }
std::vector<ArchiveWarning> DarwinCoreTable::warnings() const { return reader_->warnings(); }

}  // namespace kelvaro::dwc
