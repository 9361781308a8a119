#pragma once
// Input text as messages show it: in double quotes, with control bytes escaped so that a NUL
// cannot cut a message short nor a line end break it, and cut after kExcerptCharacters
// characters so that one huge cell cannot make a huge message. UTF-8 characters stay whole.
//
//   sp. a              ->  "sp. a"
//   a<TAB>b<NUL>"c\    ->  "a\tb\x00\"c\\"
//   500 x 'a'          ->  "aaa...a"... (500 bytes)      (60 a's inside the quotes)

#include <string>
#include <string_view>

namespace kelvaro::tools {

// About one terminal line's worth: enough to recognise a name, short enough to read.
inline constexpr std::size_t kExcerptCharacters = 60;

std::string quoted_excerpt(std::string_view text);

}  // namespace kelvaro::tools
