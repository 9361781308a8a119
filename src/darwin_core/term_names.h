#pragma once
// Darwin Core terms as archives write them: full URIs in meta.xml, bare names or prefixed names in
// header rows. A term is known by the last segment of what is written, after the last '/', '#'
// or ':', blanks and TABs around it dropped; two terms are the same when their names are equal
// but for ASCII case.
//
//   term_name("http://rs.tdwg.org/dwc/terms/eventID")  ->  "eventID"
//   term_name(" dwc:eventID\t")                        ->  "eventID"
//   term_name("eventID")                               ->  "eventID"
//   term_key("EventID")                                ->  "eventid"

#include <string>
#include <string_view>

namespace kelvaro::dwc {

// `text` without the blanks and TABs (and CR, LF) around it.
std::string_view trimmed(std::string_view text);

std::string term_name(std::string_view written);

// The name in lower case, for comparing terms.
std::string term_key(std::string_view name);

// True when `a` and `b` are equal but for ASCII case.
bool same_word(std::string_view a, std::string_view b);

}  // namespace kelvaro::dwc
