#pragma once
// A data set's citation (kelvaro/darwin_core.h Citation) from its metadata, Ecological Metadata
// Language as GBIF's tools write it:
//
//   <eml:eml packageId="...">
//     <dataset>
//       <alternateIdentifier>https://doi.org/10.15468/c2kc7t</alternateIdentifier>
//       <title>Grouse line transects</title>
//       <creator><individualName><givenName>Ann</givenName><surName>Berg</surName>
//       </individualName></creator>
//       <creator><organizationName>INBO</organizationName></creator>
//       <pubDate>2022-11-01</pubDate>
//       <intellectualRights><para>... <ulink url="http://creativecommons.org/licenses/by/4.0/">
//         <citetitle>CC-BY 4.0</citetitle></ulink></para></intellectualRights>
//     </dataset>
//     <additionalMetadata><metadata><gbif><citation>Berg A (2022) ...</citation>
//   ->  title "Grouse line transects", creators {"Ann Berg", "INBO"}, published "2022-11-01",
//       licence "... CC-BY 4.0", licence_url "http://creativecommons.org/licenses/by/4.0/",
//       identifier "https://doi.org/10.15468/c2kc7t", text "Berg A (2022) ..."

#include <string>

#include "kelvaro/darwin_core.h"

namespace kelvaro::dwc {

// What the metadata document says; fields it lacks stay empty.
Citation citation_from_metadata(const XmlElement& root, const std::string& file);

// Fills an empty `text` from the other fields: "<creators> (<year>). <title>. <identifier>",
// the parts that are there; nothing without a title.
void complete_citation_text(Citation& citation);

}  // namespace kelvaro::dwc
