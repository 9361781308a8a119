#include "field_tables/parallel_long_table.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "field_tables/key_ids.h"
#include "kelvaro/byte_source.h"

namespace kelvaro::csv {
namespace {

constexpr int kRoles = 4;  // group, sample, site, species: the columns of labels
constexpr int kCountRole = 4;
constexpr int kNoRole = -1;

// A row this long is left to LongTableReader (which refuses rows beyond kMaxRowBytes).
constexpr std::size_t kLongRow = kMaxRowBytes / 2;

bool is_line_end(char c) { return c == '\r' || c == '\n'; }

// From a byte after a row (or a place where one may start), past the line ends that follow:
// the first byte of the next row, or the end. Adds the lines they end to `line` (a CR, or a LF
// that is not the rest of a CR LF).
std::size_t skip_line_ends(std::string_view bytes, std::size_t p, long& line) {
  for (; p < bytes.size() && is_line_end(bytes[p]); ++p) {
    line += bytes[p] == '\r' || p == 0 || bytes[p - 1] != '\r';
  }
  return p;
}

// What the splitter needs of the table's layout.
struct Layout {
  std::size_t fields = 0;
  std::vector<int> role_of;  // by column: 0..3 a label's role, kCountRole, or kNoRole
  char separator = ',';
  bool tab_is_blank = true;
  bool has_group = false;
  bool has_count = false;
  bool splits = true;  // false: a separator the splitter does not take (a space)
  CellRules rules;
};

Layout layout_of(const LongTableReader& reader) {
  Layout l;
  l.fields = reader.field_count();
  l.role_of.assign(l.fields, kNoRole);
  const LongColumn roles[] = {LongColumn::kGroup, LongColumn::kSample, LongColumn::kSite,
                              LongColumn::kSpecies, LongColumn::kCount};
  for (int r = 0; r <= kCountRole; ++r) {
    if (const auto j = reader.column_index(roles[r])) l.role_of[*j] = r;
  }
  l.separator = reader.separator();
  l.tab_is_blank = l.separator != '\t';
  l.has_group = reader.column_index(LongColumn::kGroup).has_value();
  l.has_count = reader.column_index(LongColumn::kCount).has_value();
  l.splits = l.separator != ' ' && l.separator != '"' && !is_line_end(l.separator);
  l.rules = reader.rules();
  return l;
}

// A label's first eight bytes (zeros after its end) as a word, so that labels of up to eight
// bytes, most codes and numbers, are compared as two integers.
std::uint64_t head_word(std::string_view text) {
  std::uint64_t word = 0;
  const std::size_t n = std::min<std::size_t>(text.size(), 8);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&word, text.data(), n);
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      word |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
    }
  }
  return word;
}

// head_word of a field of `bytes`, read in one load where eight bytes follow its start (a
// load after the bytes were stored one by one would wait for them).
std::uint64_t head_in(std::string_view bytes, std::string_view text) {
  const auto at = reinterpret_cast<std::uintptr_t>(text.data());
  const auto begin = reinterpret_cast<std::uintptr_t>(bytes.data());
  if constexpr (std::endian::native == std::endian::little) {
    if (at >= begin && at - begin + 8 <= bytes.size()) {
      std::uint64_t word;
      std::memcpy(&word, text.data(), 8);
      return text.size() >= 8 ? word : word & ((std::uint64_t{1} << (8 * text.size())) - 1);
    }
  }
  return head_word(text);
}

// A hash of a label from its head word and length, and the rest of its bytes eight at a time.
std::uint64_t hash_of(std::string_view text, std::uint64_t head) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
  std::uint64_t h = (head ^ (text.size() * 0xD6E8FEB86659FD93ULL)) * kMultiplier;
  for (std::size_t i = 8; i < text.size(); i += 8) {
    h = (h ^ head_word(text.substr(i))) * kMultiplier;
    h = (h << 29) | (h >> 35);
  }
  return h;  // its high bits are the well-mixed ones
}

// One column's labels in a part: views of the file's bytes, ids from 0 in order of first
// appearance, each with the line (counted from the part's start) where it was first read.
// Open addressing in a table at most half full; a slot holds a label's head word and length,
// so that a label of up to eight bytes is found without reading its text.
class PartLabels {
 public:
  // `head`: head_word(text).
  std::uint32_t intern(std::string_view text, std::uint64_t head, long line) {
    if (head == last_head_ && text.size() == last_size_ && same_tail(last_id_, text)) {
      return last_id_;  // the label of the row before: a sorted table
    }
    if (2 * (texts_.size() + 1) > slots_.size()) grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash_of(text, head) >> shift_;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.id == kFree) {
        s = {head, static_cast<std::uint32_t>(text.size()),
             static_cast<std::uint32_t>(texts_.size())};
        texts_.push_back(text);
        lines_.push_back(line);
      } else if (s.head != head || s.size != text.size() || !same_tail(s.id, text)) {
        continue;
      }
      last_head_ = head;
      last_size_ = text.size();
      last_id_ = s.id;
      return s.id;
    }
  }
  std::size_t size() const { return texts_.size(); }
  std::string_view text(std::uint32_t id) const { return texts_[id]; }
  // No labels, the memory kept for the next part.
  void clear() {
    texts_.clear();
    lines_.clear();
    std::fill(slots_.begin(), slots_.end(), Slot{});
    last_size_ = std::string_view::npos;
    last_id_ = kFree;
  }
  long line(std::uint32_t id) const { return lines_[id]; }

 private:
  static constexpr std::uint32_t kFree = 0xFFFFFFFFu;
  struct Slot {
    std::uint64_t head = 0;
    std::uint32_t size = 0;
    std::uint32_t id = kFree;
  };
  // Whether label `id`, of the same head word and length as `text`, has the same bytes after
  // the eighth.
  bool same_tail(std::uint32_t id, std::string_view text) const {
    return text.size() <= 8 ||
           std::memcmp(texts_[id].data() + 8, text.data() + 8, text.size() - 8) == 0;
  }
  void grow() {
    slots_.assign(slots_.empty() ? 256 : 2 * slots_.size(), Slot{});
    shift_ = 64 - std::countr_zero(slots_.size());
    const std::size_t mask = slots_.size() - 1;
    for (std::uint32_t id = 0; id < texts_.size(); ++id) {
      const std::uint64_t head = head_word(texts_[id]);
      std::size_t i = hash_of(texts_[id], head) >> shift_;
      while (slots_[i].id != kFree) i = (i + 1) & mask;
      slots_[i] = {head, static_cast<std::uint32_t>(texts_[id].size()), id};
    }
  }

  std::vector<std::string_view> texts_;
  std::vector<long> lines_;
  std::vector<Slot> slots_;  // a power of two in size: index = hash >> shift_
  int shift_ = 64;
  std::uint64_t last_head_ = 0;
  std::size_t last_size_ = std::string_view::npos;  // no label yet
  std::uint32_t last_id_ = kFree;
};

// Records put in order of group and sample: the pairs in the order they first appear, each
// pair's records in file order (a stable counting sort on a number given to each pair as it
// first appears). Records already in that order are left as they are.
class SampleGrouping {
 public:
  void apply(std::vector<LongRecord>& records) {
    const std::size_t n = records.size();
    pair_of_.resize(n);
    pairs_.clear();
    std::uint64_t last_key = 0;
    std::optional<std::uint32_t> last;
    bool in_order = true;  // every pair's records together already
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint64_t key = (std::uint64_t{records[k].group} << 32) | records[k].sample;
      if (!last || key != last_key) {
        const std::uint32_t pair = pairs_.id(key).id;
        in_order = in_order && (!last || pair == *last + 1);
        last = pair;
        last_key = key;
      }
      pair_of_[k] = *last;
    }
    if (in_order) return;
    const std::uint32_t pairs = pairs_.size();
    starts_.assign(pairs + 1, 0);
    for (std::size_t k = 0; k < n; ++k) ++starts_[pair_of_[k] + 1];
    for (std::uint32_t p = 1; p <= pairs; ++p) starts_[p] += starts_[p - 1];
    scratch_.resize(n);
    for (std::size_t k = 0; k < n; ++k) scratch_[starts_[pair_of_[k]]++] = records[k];
    records.swap(scratch_);
  }

 private:
  tools::KeyIds pairs_;  // (group, sample) -> its number in the part
  std::vector<std::uint32_t> pair_of_;
  std::vector<std::size_t> starts_;
  std::vector<LongRecord> scratch_;
};

// A part's bytes, read from the source: [offset, offset + size) of the file, in a buffer kept
// from part to part (never cleared: every byte is read into it before it is looked at).
struct PartBytes {
  std::unique_ptr<char[]> data;
  std::size_t capacity = 0;
  std::size_t size = 0;
  std::uint64_t offset = 0;
  bool whole = false;  // it reaches the end of the file

  std::string_view view() const { return {data.get(), size}; }
  void load(tools::ByteSource& source, std::uint64_t begin, std::uint64_t end, bool to_end) {
    const auto n = static_cast<std::size_t>(end - begin);
    if (n > capacity) {
      data.reset();  // the old buffer given back first
      data.reset(new char[n]);
      capacity = n;
    }
    source.read_at(begin, data.get(), n);
    size = n;
    offset = begin;
    whole = to_end;
  }
};

// What reading a part gives.
struct PartResult {
  PartBytes bytes;
  std::size_t index = 0;    // the part whose bytes these are
  std::size_t margin = 0;   // the bytes read after its range
  std::uint64_t start = 0;  // its first row (or the end of its range: no row)
  std::uint64_t stop = 0;   // the first row after it: of the next part, or the end of the table
  long lines = 0;           // lines from start to stop
  std::vector<LongRecord> records;  // ids of `labels`, lines from 0 at `start`
  PartLabels labels[kRoles];
  std::deque<std::string> unquoted;  // the text of quoted fields with doubled quotes
  // Where the splitter stopped at a row it does not take (the reader's: an error, probably),
  // and that row's line; records before it are read.
  std::optional<std::pair<std::uint64_t, long>> left;
  bool needs_more = false;  // a row runs past the bytes read: read more after the range

  // No rows, the memory (and the bytes) kept for the next reading.
  void clear() {
    start = stop = 0;
    lines = 0;
    records.clear();
    for (PartLabels& l : labels) l.clear();
    unquoted.clear();
    left.reset();
    needs_more = false;
  }
};

// Eight bytes as a word, and the bytes of a word that are zero, or less than 0x23 (line ends,
// tabs, blanks and quotes among them): their high bits, exactly (no carry crosses a byte).
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
std::uint64_t load_word(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  return word;
}
std::uint64_t zero_bytes(std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); }
std::uint64_t bytes_below_0x23(std::uint64_t x) {
  return ~((x | kHigh) - 0x23 * kOnes) & ~x & kHigh;
}

constexpr std::size_t kNotPlain = static_cast<std::size_t>(-1);

// The common row at once, eight bytes a step: fields without quotes or tabs, ended by a line
// end. Gives each field, trimmed of blanks, to `take`, and returns the offset of the row's line
// end; kNotPlain for any other row, or one that ends within eight bytes of the end of the data
// (the general loop reads it afresh).
template <class Take>
std::size_t plain_row(const char* data, std::size_t n, std::size_t p, char separator, Take& take) {
  if constexpr (std::endian::native != std::endian::little) {
    return kNotPlain;  // the byte order that the bit positions below assume
  } else {
    const std::uint64_t separators = kOnes * static_cast<unsigned char>(separator);
    const std::uint64_t blanks = kOnes * static_cast<unsigned char>(' ');
    const auto field = [&](std::size_t a, std::size_t b) {
      while (a < b && data[a] == ' ') ++a;
      while (b > a && data[b - 1] == ' ') --b;
      take(std::string_view(data + a, b - a));
    };
    std::size_t begin = p;
    for (std::size_t q = p; q + 8 <= n; q += 8) {
      const std::uint64_t x = load_word(data + q);
      const std::uint64_t seps = zero_bytes(x ^ separators);
      const std::uint64_t special = bytes_below_0x23(x) & ~zero_bytes(x ^ blanks) & ~seps;
      std::uint64_t before = special == 0 ? seps : seps & ((special & (0 - special)) - 1);
      for (; before != 0; before &= before - 1) {
        const std::size_t at = q + static_cast<std::size_t>(std::countr_zero(before) >> 3);
        field(begin, at);
        begin = at + 1;
      }
      if (special != 0) {
        const std::size_t at = q + static_cast<std::size_t>(std::countr_zero(special) >> 3);
        if (!is_line_end(data[at])) return kNotPlain;
        field(begin, at);
        return at;
      }
    }
    return kNotPlain;
  }
}

// Reads the rows that start in [start, end) of `part.bytes` (offsets in them) from `start`: a
// row's first byte, a line end or the end. A row is read within kLongRow bytes of its start (a
// longer one is left to the reader); one that runs past the bytes read, before the end of the
// file, sets needs_more.
void read_part(const Layout& layout, std::size_t start, std::size_t end, PartResult& out) {
  const std::string_view bytes = out.bytes.view();
  const std::uint64_t base = out.bytes.offset;
  out.start = base + start;
  const std::size_t last = std::min(end, bytes.size());
  out.records.reserve(last > start ? (last - start) / 20 : 0);  // rows of 20 bytes or more
  const char* const data = bytes.data();
  const std::size_t size = bytes.size();
  const char separator = layout.separator;
  const bool tab_is_blank = layout.tab_is_blank;
  const auto is_blank = [tab_is_blank](char c) { return c == ' ' || (c == '\t' && tab_is_blank); };
  std::size_t p = start;
  long line = 0;
  std::string_view cells[kRoles + 1];
  while (p < size && p < end) {
    const std::size_t row = p;
    const long row_line = line;
    const std::size_t n = std::min(size, row + kLongRow);  // the row's bytes end here at most
    std::size_t k = 0;
    bool blank = true;
    bool taken = true;
    const auto take_cell = [&](std::string_view cell) {
      if (k < layout.fields && layout.role_of[k] != kNoRole) cells[layout.role_of[k]] = cell;
      blank = blank && cell.empty();
      ++k;
    };
    const std::size_t plain = plain_row(data, n, p, separator, take_cell);
    if (plain != kNotPlain) {
      p = plain;
    } else {
      k = 0;
      blank = true;
    }
    for (; plain == kNotPlain;) {  // a field a pass (the general row)
      while (p < n && is_blank(data[p])) ++p;
      std::string_view cell;
      if (p < n && data[p] == '"') {
        const std::size_t open = ++p;
        bool doubled = false;
        for (;;) {
          const void* quote = p < n ? std::memchr(data + p, '"', n - p) : nullptr;
          if (quote == nullptr) {
            p = n;
            taken = false;  // open at the end of the bytes
            break;
          }
          const std::size_t q = static_cast<std::size_t>(static_cast<const char*>(quote) - data);
          for (; p < q; ++p) {
            if (is_line_end(data[p])) line += data[p] == '\r' || data[p - 1] != '\r';
          }
          if (q + 1 < n && data[q + 1] == '"') {
            doubled = true;
            p = q + 2;
            continue;
          }
          cell = std::string_view(data + open, q - open);
          p = q + 1;
          break;
        }
        if (!taken) break;
        if (doubled) {
          std::string& text = out.unquoted.emplace_back();
          for (std::size_t i = 0; i < cell.size(); ++i) {
            text.push_back(cell[i]);
            if (cell[i] == '"') ++i;
          }
          cell = text;
        }
        while (p < n && is_blank(data[p])) ++p;
        if (p < n && data[p] != separator && !is_line_end(data[p])) {
          taken = false;  // text after the closing quote
          break;
        }
      } else {
        const std::size_t a = p;
        for (; p < n; ++p) {
          const char c = data[p];
          if (c == separator || c == '\n' || c == '\r') break;
          if (c == '"') break;
        }
        if (p < n && data[p] == '"') {
          taken = false;  // a quote inside an unquoted field
          break;
        }
        std::size_t b = p;
        while (b > a && is_blank(data[b - 1])) --b;
        cell = std::string_view(data + a, b - a);
      }
      take_cell(cell);
      if (p < n && data[p] == separator) {
        ++p;
        continue;
      }
      break;
    }
    // The row ran to the end of the bytes read, short of the file's end and of kLongRow: its
    // end lies beyond them.
    if (p >= n && n == size && !out.bytes.whole && n - row < kLongRow) {
      out.needs_more = true;
      return;
    }
    if (taken && p - row >= kLongRow) taken = false;
    if (taken && !blank) {
      LongRecord r;
      r.line = row_line;
      const std::string_view species = cells[static_cast<int>(LongColumn::kSpecies)];
      if (k != layout.fields) {
        taken = false;
      } else {
        if (layout.has_count) {
          const std::optional<bool> value = detected(cells[kCountRole], layout.rules);
          taken = value.has_value();
          r.detected = value.value_or(false);
        }
        taken = taken && (!layout.has_group || !cells[0].empty()) && !cells[1].empty() &&
                !cells[2].empty() && (!species.empty() || !r.detected);
      }
      if (taken) {
        const auto intern = [&](int role, std::string_view text) {
          return out.labels[role].intern(text, head_in(bytes, text), row_line);
        };
        r.group = layout.has_group ? intern(0, cells[0]) : 0;
        r.sample = intern(1, cells[1]);
        r.site = intern(2, cells[2]);
        r.species = species.empty() ? kNoSpecies : intern(3, species);
        out.records.push_back(r);
      }
    }
    if (!taken) {
      out.left = std::make_pair(base + row, row_line);
      out.stop = base + row;
      out.lines = row_line;
      return;
    }
    p = skip_line_ends(bytes, p, line);
  }
  out.stop = base + std::max(p, start);
  out.lines = line;
}

// The bytes [begin, end) of a source that can be read at any offset, read in order from `begin`
// (a LongTableReader reading on from a row).
class RangeSource : public tools::ByteSource {
 public:
  RangeSource(tools::ByteSource& source, std::uint64_t begin, std::uint64_t end)
      : source_(source), next_(begin), end_(end) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, end_ - next_));
    source_.read_at(next_, buffer, n);
    next_ += n;
    return n;
  }
  const std::string& name() const override { return source_.name(); }

 private:
  tools::ByteSource& source_;
  std::uint64_t next_;
  std::uint64_t end_;
};

}  // namespace

ParallelLongTable::ParallelLongTable(LongTableReader& reader, tools::ByteSource& source,
                                     std::uint64_t size, unsigned threads, std::size_t part_bytes,
                                     ThreadFactory factory)
    : reader_(reader),
      source_(source),
      size_(size),
      threads_(threads),
      part_bytes_(std::max<std::size_t>(1, part_bytes)),
      factory_(std::move(factory)) {
  // The rows start after the header's line end: the first part skips the LF of a CR LF that the
  // reader has not taken yet, and blank lines, as any part does.
  first_line_ = reader.next_line();
  first_ = std::min<std::uint64_t>(reader.byte_offset(), size_);
}

bool ParallelLongTable::read(const Sink& sink) {
  const Layout layout = layout_of(reader_);
  const std::uint64_t size = size_;
  const std::size_t parts =
      size <= first_ ? 0
                     : static_cast<std::size_t>((size - first_ + part_bytes_ - 1) / part_bytes_);
  const auto range_begin = [&](std::size_t i) { return first_ + std::uint64_t{i} * part_bytes_; };
  const auto range_end = [&](std::size_t i) {
    return std::min(size, first_ + std::uint64_t{i + 1} * part_bytes_);
  };

  // No more workers than parts (a small table is one part, read on this thread); a part in hand
  // per worker and two done ahead of the one delivered (a part's records take about 1.6 times
  // its bytes).
  const std::size_t workers = std::min<std::size_t>(threads_, parts);
  const std::size_t window = std::max<std::size_t>(1, workers) + 2;
  std::vector<std::unique_ptr<PartResult>> slots(window);
  std::uint64_t at = first_;  // the next row to deliver (or line ends before it), known for certain
  long line = first_line_;
  // Set on this thread, read by the workers' claims too.
  std::atomic<bool> done{false};  // the rest of the table was read on this thread
  std::atomic<bool> stopped{false};
  // Parts delivered, their memory used again (a part's bytes and records are megabytes: memory
  // given back to the system and asked for again is cleared page by page).
  std::mutex spare_lock;
  std::vector<std::unique_ptr<PartResult>> spare;
  const auto give_back = [&](std::unique_ptr<PartResult> part) {
    if (part == nullptr) return;
    const std::lock_guard<std::mutex> hold(spare_lock);
    spare.push_back(std::move(part));
  };

  // Part i's bytes, with `margin` bytes after its range: from the byte before the range (a guess
  // looks at it, and a line count at a CR LF).
  const auto load = [&](PartResult& part, std::size_t i, std::size_t margin) {
    const std::uint64_t begin = range_begin(i) - (range_begin(i) > 0 ? 1 : 0);
    const std::uint64_t end = std::min(size, range_end(i) + margin);
    part.bytes.load(source_, begin, end, end == size);
    part.index = i;
    part.margin = margin;
  };
  // Where part i's first row would be, outside quotes: after the first line end in its range.
  const auto guess = [&](const PartResult& part, std::size_t i) {
    const std::string_view bytes = part.bytes.view();
    auto p = static_cast<std::size_t>(range_begin(i) - part.bytes.offset);
    if (i == 0) return p;
    if (!is_line_end(bytes[p - 1])) {
      const auto e = static_cast<std::size_t>(range_end(i) - part.bytes.offset);
      while (p < e && !is_line_end(bytes[p])) ++p;
    }
    long ignored = 0;
    return skip_line_ends(bytes, p, ignored);
  };

  // Reads part i into `part` from `from` (a known row), or from the guess. `grouping`: the
  // reading thread's own (its memory used again from part to part).
  constexpr std::size_t kFirstMargin = std::size_t{64} << 10;
  const auto read_into = [&](PartResult& part, std::size_t i, std::optional<std::uint64_t> from,
                             SampleGrouping& grouping) {
    if (!layout.splits) {
      part.clear();
      part.start = part.stop = from.value_or(range_begin(i));
      part.left = std::make_pair(part.start, 0L);
      return;
    }
    if (part.index != i || part.bytes.data == nullptr) load(part, i, kFirstMargin);
    for (;;) {
      part.clear();
      const std::size_t start =
          from ? static_cast<std::size_t>(*from - part.bytes.offset) : guess(part, i);
      read_part(layout, start, static_cast<std::size_t>(range_end(i) - part.bytes.offset), part);
      if (!part.needs_more) break;
      load(part, i, std::min(4 * part.margin, kLongRow));  // kLongRow past the range: enough
    }
    if (by_sample_) grouping.apply(part.records);
  };
  const auto read_slot = [&](std::size_t i, SampleGrouping& grouping) {
    std::unique_ptr<PartResult> part;
    {
      const std::lock_guard<std::mutex> hold(spare_lock);
      if (!spare.empty()) {
        part = std::move(spare.back());
        spare.pop_back();
      }
    }
    if (part == nullptr) part = std::make_unique<PartResult>();
    part->index = static_cast<std::size_t>(-1);  // bytes of another part, if any
    read_into(*part, i, std::nullopt, grouping);
    give_back(std::exchange(slots[i % window], std::move(part)));
  };

  // The table from the row at `from` (line `from_line`) by one reader, as reading from the start
  // would, handed over a batch at a time, up to the first row that starts at `resume` or later
  // (the parts are read from there), or to the end; or its first error.
  constexpr std::size_t kBatch = std::size_t{1} << 16;
  SampleGrouping own_grouping;  // this thread's
  const auto read_on = [&](std::uint64_t from, long from_line, std::uint64_t resume) {
    RangeSource bytes(source_, from, size);
    LongTableReader rest(reader_, bytes, from_line);
    LongTableReader::LabelMaps maps;
    std::vector<LongRecord> records;
    const auto hand_over = [&] {
      reader_.adopt(rest, maps);
      for (LongRecord& r : records) {
        r.group = maps.groups.empty() ? r.group : maps.groups[r.group];
        r.sample = maps.samples[r.sample];
        r.site = maps.sites[r.site];
        if (r.species != kNoSpecies) r.species = maps.species[r.species];
      }
      if (by_sample_) own_grouping.apply(records);
      if (!records.empty() && !sink(records)) stopped = true;
      records.clear();
    };
    for (LongRecord r;;) {
      if (from + rest.byte_offset() >= resume) {
        hand_over();
        at = from + rest.byte_offset();
        line = rest.next_line();
        return;
      }
      if (!rest.next(r)) break;
      records.push_back(r);
      if (records.size() == kBatch) {
        hand_over();
        if (stopped) return;
      }
    }
    hand_over();
    done = true;
  };

  OrderedWork work;
  work.claim = [&](std::size_t i) { return i < parts && !done && !stopped; };
  work.make_worker = [&] {
    auto grouping = std::make_shared<SampleGrouping>();
    return [&, grouping](std::size_t i) { read_slot(i, *grouping); };
  };
  work.window = window;
  work.go_on = [&] { return !stopped; };
  work.deliver = [&](std::size_t i) {
    if (done || stopped) return;
    const std::uint64_t end = range_end(i);
    if (at >= end) {  // a row of the parts before runs past this one's range
      give_back(std::move(slots[i % window]));
      return;
    }
    PartResult& part = *slots[i % window];
    if (part.start != at) read_into(part, i, at, own_grouping);  // the guess was inside quotes
    const LongColumn roles[kRoles] = {LongColumn::kGroup, LongColumn::kSample, LongColumn::kSite,
                                      LongColumn::kSpecies};
    std::vector<std::uint32_t> ids[kRoles];
    for (int r = 0; r < kRoles; ++r) {
      if (r == 0 && !layout.has_group) continue;
      for (std::uint32_t id = 0; id < part.labels[r].size(); ++id) {
        ids[r].push_back(
            reader_.intern(roles[r], part.labels[r].text(id), line + part.labels[r].line(id)));
      }
    }
    for (LongRecord& rec : part.records) {
      rec.line += line;
      if (layout.has_group) rec.group = ids[0][rec.group];
      rec.sample = ids[1][rec.sample];
      rec.site = ids[2][rec.site];
      if (rec.species != kNoSpecies) rec.species = ids[3][rec.species];
    }
    if (!part.records.empty() && !sink(part.records)) {
      stopped = true;
      return;
    }
    if (part.left) {
      read_on(part.left->first, line + part.left->second, end);
    } else {
      at = part.stop;
      line += part.lines;
    }
    give_back(std::move(slots[i % window]));
  };
  OrderedPool pool(workers > 1 ? static_cast<int>(workers) : 0, factory_);
  if (!pool.run(work) || stopped) return false;
  source_.check_unchanged();  // what was read is one version of the file
  return true;
}

}  // namespace kelvaro::csv
