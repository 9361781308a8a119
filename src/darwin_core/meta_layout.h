#pragma once
// An archive's tables as meta.xml describes them (the Darwin Core text guide): one <core> and any
// <extension>s, each with its rowType, <files><location>s, <id> or <coreid>, <field index term
// default>s and the text format in its attributes:
//
//   attribute            default  read as
//   fieldsTerminatedBy   ,        one character; \t, \n, \r and \\ stand for theirs
//   fieldsEnclosedBy     "        one character, or empty: no quoting
//   linesTerminatedBy    \n       \n, \r\n or \r (any of them ends a line all the same)
//   encoding             UTF-8    UTF-8, UTF-16, ISO-8859-1 / Latin-1 / Windows-1252
//   ignoreHeaderLines    0        a whole number
//
//   <core rowType="http://rs.tdwg.org/dwc/terms/Event" fieldsTerminatedBy="\t"
//         fieldsEnclosedBy="" ignoreHeaderLines="1">
//     <files><location>event.txt</location></files>
//     <id index="0"/>
//     <field index="3" term="http://rs.tdwg.org/dwc/terms/locationID"/>
//     <field term="http://rs.tdwg.org/dwc/terms/countryCode" default="BE"/>
//   </core>
//   ->  Event core, file event.txt, id column 0, locationID column 3, countryCode "BE"
//       on every row, TAB-separated, never quoted, one header row

#include <string>

#include "darwin_core/archive_layout.h"
#include "darwin_core/warning_counts.h"
#include "kelvaro/darwin_core.h"

namespace kelvaro::dwc {

// `base`: the folder of meta.xml in the archive ("" or ending in '/'), which its locations are
// relative to. Throws ArchiveError naming `archive` and meta.xml for what cannot be read as
// meant (kelvaro/darwin_core.h lists it); warns about what can.
ArchiveLayout meta_layout(const XmlElement& root, const std::string& archive,
                          const std::string& base, WarningCounts& warnings);

// A file name in an archive made plain: backslashes become '/', "./" parts go. nullopt for a
// name that reaches outside the archive (absolute, a drive letter, a ".." part) or is empty.
std::optional<std::string> plain_file_name(std::string_view name);

}  // namespace kelvaro::dwc
