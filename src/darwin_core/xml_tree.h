#pragma once
// Walking the element trees of kelvaro/darwin_core.h: children and descendants found by local name
// (ASCII case ignored), and text without the blanks around it.

#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/darwin_core.h"

namespace kelvaro::dwc {

// The first child called `name`, or nullptr.
const XmlElement* child(const XmlElement& parent, std::string_view name);
// Every child called `name`, in document order.
std::vector<const XmlElement*> children(const XmlElement& parent, std::string_view name);
// The first element called `name` below `parent` (depth first, in document order), at most
// `depth` levels down; nullptr when there is none.
const XmlElement* descendant(const XmlElement& parent, std::string_view name, int depth);
// The element's text with blanks, TABs and line ends inside it made single spaces and those
// around it dropped: "\n  Grouse\n  transects " -> "Grouse transects".
std::string plain_text(const XmlElement& element);

}  // namespace kelvaro::dwc
