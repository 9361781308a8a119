#include "csv/parallel_long_table.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <new>
#include <system_error>
#include <thread>

#include "common/byte_source.h"

namespace kelvaro::csv {
namespace {

bool is_line_end(char c) { return c == '\r' || c == '\n'; }

// Whether the byte at `i` ends a line: a CR, or a LF that is not the rest of a CR LF.
bool ends_line(std::string_view bytes, std::size_t i) {
  return bytes[i] == '\r' || (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'));
}

// What the first pass finds in a slice.
struct SliceCount {
  std::size_t quotes = 0;
  long lines = 0;
};

SliceCount count_slice(std::string_view bytes, std::size_t begin, std::size_t end) {
  SliceCount count;
  for (std::size_t i = begin; i < end; ++i) {
    const char c = bytes[i];
    if (c > '"') continue;  // most bytes: none of '"', '\r', '\n'
    count.quotes += c == '"';
    count.lines += is_line_end(c) && ends_line(bytes, i);
  }
  return count;
}

// The first row start at or after `from`, where the quote state is `quoted` and the line
// `line`: after the first line end outside quotes (and the LF of a CR LF). Updates `line`.
std::size_t next_row_start(std::string_view bytes, std::size_t from, bool quoted, long& line) {
  for (std::size_t i = from; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '"') quoted = !quoted;
    if (!is_line_end(c)) continue;
    if (ends_line(bytes, i)) ++line;
    if (quoted) continue;
    std::size_t end = i + 1;
    if (c == '\r' && end < bytes.size() && bytes[end] == '\n') ++end;
    return end;
  }
  return bytes.size();
}

// Runs work(0) .. work(n - 1), on threads the factory starts where they start and on this one
// otherwise (the system at its limit of threads or memory: the result is the same).
void run_each(unsigned n, const std::function<void(unsigned)>& work, const ThreadFactory& factory) {
  std::vector<std::thread> threads;
  std::vector<unsigned> here = {0};
  for (unsigned i = 1; i < n; ++i) {
    try {
      threads.push_back(factory([&work, i] { work(i); }));
    } catch (const std::system_error&) {
      here.push_back(i);  // no thread: done on this one
    } catch (const std::bad_alloc&) {
      here.push_back(i);
    }
  }
  for (unsigned i : here) work(i);
  for (std::thread& t : threads) t.join();
}

}  // namespace

ParallelLongTable::ParallelLongTable(LongTableReader& reader, std::string_view bytes,
                                     unsigned threads, std::size_t part_bytes,
                                     ThreadFactory factory)
    : reader_(reader),
      bytes_(bytes),
      threads_(std::max(1u, threads)),
      part_bytes_(std::max<std::size_t>(1, part_bytes)),
      factory_(std::move(factory)) {
  offset_ = static_cast<std::size_t>(reader.byte_offset());
  line_ = reader.next_line();
  // The header's line end may be a CR LF whose LF the reader has not taken yet.
  if (offset_ > 0 && offset_ < bytes_.size() && bytes_[offset_ - 1] == '\r' &&
      bytes_[offset_] == '\n') {
    ++offset_;
  }
}

std::vector<ParallelLongTable::Part> ParallelLongTable::cut_window() {
  const std::size_t window = std::min(bytes_.size() - offset_, part_bytes_ * threads_);
  const std::size_t end = offset_ + window;
  const std::size_t slice = (window + threads_ - 1) / threads_;
  std::vector<std::size_t> bounds;  // the slices: [bounds[i], bounds[i + 1])
  for (std::size_t b = offset_; b < end; b += slice) bounds.push_back(b);
  bounds.push_back(end);
  const std::size_t slices = bounds.size() - 1;
  std::vector<SliceCount> counts(slices);
  run_each(static_cast<unsigned>(slices), [&](unsigned i) {
    counts[i] = count_slice(bytes_, bounds[i], bounds[i + 1]);
  }, factory_);
  // The window starts at a row, outside quotes; each slice's end moves on to a row's start.
  std::vector<Part> parts;
  Part part{offset_, offset_, line_};
  std::size_t quotes = 0;
  long line = line_;
  for (std::size_t i = 0; i < slices; ++i) {
    quotes += counts[i].quotes;
    line += counts[i].lines;
    long cut_line = line;
    const std::size_t cut = next_row_start(bytes_, bounds[i + 1], quotes % 2 == 1, cut_line);
    if (cut == part.begin) continue;  // an earlier cut passed this slice
    part.end = cut;
    parts.push_back(part);
    part = Part{cut, cut, cut_line};
  }
  offset_ = part.begin;
  line_ = part.line;
  return parts;
}

void ParallelLongTable::read_window() {
  const std::vector<Part> parts = cut_window();
  std::vector<std::unique_ptr<tools::ViewSource>> sources;
  std::vector<std::unique_ptr<LongTableReader>> readers;
  for (const Part& p : parts) {
    sources.push_back(std::make_unique<tools::ViewSource>(
        bytes_.substr(p.begin, p.end - p.begin), reader_.file()));
    readers.push_back(std::make_unique<LongTableReader>(reader_, *sources.back(), p.line));
  }
  std::vector<std::vector<LongRecord>> records(parts.size());
  std::vector<std::exception_ptr> errors(parts.size());
  run_each(static_cast<unsigned>(parts.size()), [&](unsigned i) {
    try {
      for (LongRecord r; readers[i]->next(r);) records[i].push_back(r);
    } catch (...) {
      errors[i] = std::current_exception();
    }
  }, factory_);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (errors[i]) {
      // This part starts at a row (the parts before it ended cleanly); it may end in the wrong
      // place. Read the rest of the table from its start, as one reader would.
      sources[i] = std::make_unique<tools::ViewSource>(bytes_.substr(parts[i].begin),
                                                       reader_.file());
      readers[i] = std::make_unique<LongTableReader>(reader_, *sources[i], parts[i].line);
      records[i].clear();
      for (LongRecord r; readers[i]->next(r);) records[i].push_back(r);
      offset_ = bytes_.size();
    }
    const LongTableReader::LabelMaps maps = reader_.adopt(*readers[i]);
    for (LongRecord& r : records[i]) {
      r.group = maps.groups.empty() ? r.group : maps.groups[r.group];
      r.sample = maps.samples[r.sample];
      r.site = maps.sites[r.site];
      if (r.species != kNoSpecies) r.species = maps.species[r.species];
    }
    ready_.push_back(std::move(records[i]));
    if (errors[i]) break;
  }
}

bool ParallelLongTable::next(std::vector<LongRecord>& records) {
  while (ready_.empty()) {
    if (offset_ >= bytes_.size()) return false;
    read_window();
  }
  records = std::move(ready_.front());
  ready_.pop_front();
  return true;
}

}  // namespace kelvaro::csv
