#pragma once
// An archive without meta.xml: its tables found by their header rows, whatever the files are
// called ("simple Darwin Core"). An event table's header names eventID and no taxon; an occurrence
// table's names eventID and scientificName or taxonID; other files (and XML files) are not
// tables of the archive. Files of one kind with the same header are one table, read in name
// order. The separator of each file is found in its header row as for a long table (comma,
// semicolon or TAB); fields are quoted with '"'; text is UTF-8.
//
//   event.csv:       eventID,parentEventID,eventDate,locationID     -> the event core
//   occurences.csv:  eventID,scientificName,individualCount          -> the occurrence extension
//   media.csv:       occurrenceID,accessURI                          -> not read
//
// With an occurrence table alone, it is the core (an occurrence-core archive).

#include <string>
#include <vector>

#include "darwin_core/archive_layout.h"
#include "kelvaro/darwin_core.h"

namespace kelvaro::dwc {

// At most this many files are looked at (an archive has a few; a folder of photographs is not
// one).
inline constexpr std::size_t kMaxFilesLooked = 200;

// The tables of `names` (files of `files`). Throws ArchiveError when none is an occurrence table
// (the message lists what the archive holds), or when files of one kind differ in their headers;
// tools::ReadError, csv::InputError.
ArchiveLayout header_layout(ArchiveFiles& files, const std::vector<std::string>& names);

}  // namespace kelvaro::dwc
