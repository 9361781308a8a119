#pragma once
// Warnings about how an archive was read, counted by kind (kelvaro/darwin_core.h lists the kinds)
// as the reading goes, each turned into its sentence at the end with what was counted and the
// first example noted.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "kelvaro/darwin_core.h"

namespace kelvaro::dwc {

enum class WarningKind {
  kAboveSpeciesRank,
  kNaCells,
  kTermBlanks,
  kByteOrderMark,
  kLineEnds,
  kIdForCoreId,
  kFileNameCase,
  kEncoding,
  kShortRows,
  kHeaderRow,
  kUnknownParent,
  kContainerRecords,
  kCountNotNumber,
  kNoLocation,
  kLeftOutEntries,
  kMetadata,
  kOtherTables,
};

class WarningCounts {
 public:
  // Counts `count` more of `kind`; `example` ("occurrence.txt, line 12: \"Aves\"") is kept when it
  // is the first.
  void add(WarningKind kind, std::string example, std::uint64_t count = 1);
  // Notes a distinct example of `kind` (taxa above species rank): the first three are named.
  void add_distinct(WarningKind kind, const std::string& name);
  std::uint64_t count(WarningKind kind) const;
  // The warnings, in the order of the kinds.
  std::vector<ArchiveWarning> warnings(bool species_rank_only) const;

 private:
  struct Tally {
    std::uint64_t count = 0;
    std::string example;
    std::vector<std::string> names;  // distinct examples, the first few
    std::uint64_t distinct = 0;
  };
  std::map<WarningKind, Tally> tallies_;
};

}  // namespace kelvaro::dwc
