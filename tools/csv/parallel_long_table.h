#pragma once
// The records of a long table held whole in memory (a mapped file), read on several threads with
// the records, ids, messages and errors of one LongTableReader reading the file from its start.
//
// The table is taken in windows of a few MiB per thread. Each window is cut into one part per
// thread, each part starting at a row: a first pass counts the quotes and line ends of equal
// slices (on the threads), so that the quote state and the line at each slice's start are known
// (a quote toggles it; a doubled quote toggles it twice); a part then starts after the first
// line end outside quotes from its slice's start. Each part is read by its own reader
// (LongTableReader's part constructor) with pools of its own, and the parts are merged in file
// order: their labels adopted in order of first appearance, their ids mapped. An error in a
// part, or a part that a malformed quote cut in the wrong place, sends the rest of the table to
// one reader from that part's start on, so that the first error in file order is the one given,
// at the line and column that reading from the start gives.
//
//   "h\n" + rows with "a,""b\nc"",1" fields     -> the records of LongTableReader::next, in order

#include <cstddef>
#include <deque>
#include <string_view>
#include <vector>

#include "csv/long_table.h"
#include "kelvaro/ordered_pool.h"

namespace kelvaro::csv {

// A window's bytes per thread: a few milliseconds of reading, records of a few MiB.
inline constexpr std::size_t kPartBytes = std::size_t{4} << 20;

class ParallelLongTable {
 public:
  // `reader` has read the header of `bytes` (through a source of exactly these bytes) and
  // nothing more. `part_bytes`: the bytes of a window per thread (tests make it small).
  // `factory` starts the threads (the library's, as the ordered pool's); where it cannot, the
  // work is done on the calling thread, with the same result.
  // Requires: reader and bytes outlive this; threads >= 1; part_bytes >= 1.
  ParallelLongTable(LongTableReader& reader, std::string_view bytes, unsigned threads,
                    std::size_t part_bytes = kPartBytes, ThreadFactory factory = start_thread);

  // The records of the next part of the table, in file order, with ids of the reader's pools;
  // false at the end. Throws as LongTableReader::next: the first error in file order.
  bool next(std::vector<LongRecord>& records);

  // The offset of the first row not yet read: no byte before it is needed again.
  std::size_t offset() const { return offset_; }

 private:
  struct Part {
    std::size_t begin = 0, end = 0;
    long line = 0;
  };
  std::vector<Part> cut_window();
  void read_window();

  LongTableReader& reader_;
  std::string_view bytes_;
  unsigned threads_;
  std::size_t part_bytes_;
  ThreadFactory factory_;
  std::size_t offset_ = 0;  // the next row not read
  long line_ = 0;           // its line
  std::deque<std::vector<LongRecord>> ready_;
};

}  // namespace kelvaro::csv
