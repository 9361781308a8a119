#pragma once
// The records of a long table that can be read at any offset (a regular file, text in memory:
// tools::ByteSource::size), read on the threads of an ordered worker pool with the records, ids,
// messages and errors of one LongTableReader reading the file from its start.
//
// The rows are cut into parts of about `part_bytes` bytes: part i holds the rows that start in
// its range of bytes [b + i * part_bytes, b + (i + 1) * part_bytes), where b is the first row.
// A worker cannot know whether its range starts inside a quoted field, so it guesses that it
// does not: its first row starts after the first line end from its range's start. The parts are
// delivered in file order, and each guess is checked there against the end of the part before
// (known for certain): a part whose first row is not where the part before ended (the guess fell
// in a quoted name holding a line end) is read again from that end. Line numbers are counted
// from each part's start and made the file's on delivery.
//
// Each part is read into a buffer of its own (tools::ByteSource::read_at): the byte before its
// range, the range, and a margin after it for its last row, made larger (up to the longest row
// the splitter takes) when that row needs more. Memory holds the parts in hand, whatever the
// file's size, and a file cut short or rewritten while it is read is a tools::ReadError ("the
// file changed while it was read"), checked again once the table is read.
//
// A part is read by a tight splitter: fields are views of the part's bytes (a copy only for a
// quoted field with doubled quotes), and labels are interned per part in a small hash table,
// each part's labels then interned in the reader's pools in their order of first appearance, so
// that ids, first places and variants are those of one reader. Anything the splitter does not
// take (an error, a row longer than a few MiB) ends the part there, and a LongTableReader reads
// on from that row, on the calling thread, handing its records over a batch at a time, until a
// row starts beyond the part's range: the parts are read from there on. The first error in file
// order is the one given, at the line and column that reading from the start gives.
//
//   "h\n" + rows with "a,""b\nc"",1" fields     -> the records of LongTableReader::next, in order

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "field_tables/long_table.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/ordered_pool.h"

namespace kelvaro::csv {

class ParallelLongTable {
 public:
  // `reader` has read the header of `source` and nothing more; `size` is what source.size() gave
  // before. `threads`: the workers of the pool (1: the calling thread reads every part).
  // `part_bytes`: the bytes of a part (tests make it small). `factory` starts the pool's
  // threads. Requires: reader and source outlive this; part_bytes >= 1.
  ParallelLongTable(LongTableReader& reader, tools::ByteSource& source, std::uint64_t size,
                    unsigned threads, std::size_t part_bytes = kPartBytes,
                    ThreadFactory factory = start_thread);

  // Takes the records of one part, in file order with ids of the reader's pools (or grouped by
  // sample: by_sample); false stops the reading. The sink may swap the vector for another one
  // (to keep the records, giving back one whose memory is used again).
  using Sink = std::function<bool(std::vector<LongRecord>& records)>;

  // Hands each part's records over grouped by group and sample: the records of one (group,
  // sample) together, the pairs in the order they first appear in the part, each pair's records
  // in file order. A reader that groups the records itself is spared their scattering (a table
  // in group order is handed over as it is). Call before read().
  void by_sample() { by_sample_ = true; }

  // Reads the table to its end, handing the parts' records to `sink` in file order (within a
  // part grouped, after by_sample()). Returns false when the sink stopped it. Throws as
  // LongTableReader::next: the first error in file order; tools::ReadError.
  bool read(const Sink& sink);

 private:
  LongTableReader& reader_;
  tools::ByteSource& source_;
  std::uint64_t size_;
  unsigned threads_;
  std::size_t part_bytes_;
  ThreadFactory factory_;
  bool by_sample_ = false;
  std::uint64_t first_ = 0;  // the first byte after the header's line (a row, or a line end)
  long first_line_ = 0;      // its line
};

}  // namespace kelvaro::csv
