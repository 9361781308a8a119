#pragma once
// The encodings of Darwin Core tables: UTF-8 (the standard's), Windows-1252 and its subset
// Latin-1 (ISO-8859-1), converted to UTF-8 cell by cell, and UTF-16, converted as it is read.
//
//   windows_1252_to_utf8("caf\xE9")  ->  "caf\xC3\xA9"  (café)
//   windows_1252_to_utf8("\x80")     ->  "\xE2\x82\xAC" (the euro sign)
//   is_utf8("caf\xC3\xA9") -> true     is_utf8("caf\xE9") -> false

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "kelvaro/byte_source.h"

namespace kelvaro::dwc {

enum class TextEncoding { kUtf8, kWindows1252, kUtf16 };

// The encoding meta.xml names ("UTF-8", "utf8", "ISO-8859-1", "Latin1", "windows-1252",
// "cp1252", "UTF-16", "UTF-16LE", ... in any case); nullopt for any other.
std::optional<TextEncoding> encoding_named(std::string_view name);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool is_utf8(std::string_view text);

// Each byte as the Windows-1252 character it stands for (Latin-1 for the five bytes that
// Windows-1252 leaves undefined), in UTF-8.
std::string windows_1252_to_utf8(std::string_view text);

// True when the source's first bytes are a UTF-16 byte-order mark (FF FE or FE FF).
bool starts_as_utf16(std::string_view first_bytes);

// UTF-16 text (little-endian unless a byte-order mark FE FF says big-endian; the mark dropped)
// read from `source` as UTF-8, a chunk at a time. Unpaired surrogates and an odd last byte become
// U+FFFD. Named as `source`.
std::unique_ptr<tools::ByteSource> utf16_as_utf8(std::unique_ptr<tools::ByteSource> source);

}  // namespace kelvaro::dwc
