#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "kelvaro/byte_source.h"
#include "kelvaro/conversions.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/planner.h"

namespace kelvaro::plan {
namespace {

// How much of the file's start is looked at to tell a kelvaro input from a table: leading blanks
// beyond it are left to the table reader, which bounds its rows.
constexpr std::size_t kLookAhead = std::size_t{1} << 20;

// A file read as a stream: the bytes already looked at, then the rest of the file, so that
// neither reader holds more of it than its own bounds allow.
class LookedAtSource final : public tools::ByteSource {
 public:
  LookedAtSource(tools::ByteSource& file, std::string start)
      : file_(file), start_(std::move(start)) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    if (next_ < start_.size()) {
      const std::size_t n = std::min(capacity, start_.size() - next_);
      std::copy_n(start_.data() + next_, n, buffer);
      next_ += n;
      return n;
    }
    return file_.read(buffer, capacity);
  }
  const std::string& name() const override { return file_.name(); }

 private:
  tools::ByteSource& file_;
  std::string start_;
  std::size_t next_ = 0;
};

// The same stream as kelvaro's free-form input; a failed read is the input's being unreadable.
class FreeFormSource final : public TextSource {
 public:
  explicit FreeFormSource(tools::ByteSource& bytes) : bytes_(bytes) {}
  std::size_t read(char* buf, std::size_t n) override {
    try {
      return bytes_.read(buf, n);
    } catch (const tools::ReadError& e) {
      throw InputUnreadable(e.reason());
    }
  }

 private:
  tools::ByteSource& bytes_;
};

// Reads the file's start up to its first byte that is not a blank (at most kLookAhead bytes)
// and says whether it begins as a kelvaro input does, with a number: its header's t1.
bool starts_as_kelvaro_input(tools::ByteSource& file, std::string& start) {
  char buffer[65536];
  while (start.size() < kLookAhead) {
    const std::size_t n = file.read(buffer, sizeof buffer);
    if (n == 0) return false;
    start.append(buffer, n);
    for (std::size_t i = start.size() - n; i < start.size(); ++i) {
      const char c = start[i];
      if (std::isspace(static_cast<unsigned char>(c))) continue;
      return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+';
    }
  }
  return false;
}

DetectionFrequencies from_table(tools::ByteSource& source) {
  prep::Survey survey(false);
  prep::load_wide(source, {}, survey, survey.sample1, "Sample 1");
  DetectionFrequencies pilot;
  pilot.sites = static_cast<std::int32_t>(survey.sample1.sites.size());
  pilot.f.assign(static_cast<std::size_t>(pilot.sites), 0);
  for (const std::uint32_t id : survey.sample1.species()) {
    const int sites = survey.sample1.detected_at(id).count();
    if (sites > 0) ++pilot.f[static_cast<std::size_t>(sites - 1)];
  }
  return pilot;
}

// A frequency as kelvaro's warnings show it: "3.5", "1e+09".
std::string shown(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(v));
  return text;
}

// Messages and warnings name the file as `path`, without the option (read_pilot adds it).
DetectionFrequencies from_kelvaro_input(tools::ByteSource& bytes, const std::string& path) {
  FreeFormSource input(bytes);
  BlockData sample1;
  try {
    sample1 = read_sample1(input);
  } catch (const InputRefused& e) {
    if (e.line() == 0) throw OptionError(path + ": " + e.reason());
    throw OptionError(path + ": line " + std::to_string(e.line()) +
                      ": cannot read a kelvaro input's Sample 1: " + e.reason());
  } catch (const InputUnreadable& e) {
    throw OptionError(path + ": " + e.what());
  }
  DetectionFrequencies pilot;
  pilot.sites = static_cast<std::int32_t>(sample1.f.size());
  bool fraction_told = false;
  for (std::size_t i = 0; i < sample1.f.size(); ++i) {
    const float v = sample1.f[i];
    const std::string f_i = "f(" + std::to_string(i + 1) + ")";
    const std::int32_t f = trunc_to_int(v);  // NaN and beyond 32 bits: below 0
    if (f < 0) {
      throw OptionError(path + ": Sample 1's " + f_i + " is not a count of species");
    }
    // As kelvaro warns of the first fractional frequency of a record, and takes its whole part.
    if (static_cast<float>(f) != v && !fraction_told) {
      pilot.warnings.push_back(path + ": Sample 1: " + f_i + " = " + shown(v) +
                               " is not a whole number; it is taken as " + std::to_string(f));
      fraction_told = true;
    }
    pilot.f.push_back(f);
  }
  return pilot;
}

// The pilot from a byte source: a kelvaro input or a table, told apart by its start.
DetectionFrequencies pilot_from(tools::ByteSource& bytes, const std::string& path) {
  std::string start;
  const bool kelvaro_input = starts_as_kelvaro_input(bytes, start);
  LookedAtSource source(bytes, std::move(start));
  if (kelvaro_input) return from_kelvaro_input(source, path);
  try {
    return from_table(source);
  } catch (const OptionError&) {
    throw;
  } catch (const std::runtime_error& e) {  // csv::InputError
    throw OptionError(e.what());
  }
}

}  // namespace

DetectionFrequencies pilot_from_text(const std::string& text, const std::string& name) {
  tools::TextSource source(text, name);
  return pilot_from(source, name);
}

DetectionFrequencies read_pilot(const std::string& path, const std::string& option) {
  try {
    tools::FileSource file(path);
    DetectionFrequencies pilot = pilot_from(file, path);
    for (std::string& w : pilot.warnings) w = option + ": " + w;
    return pilot;
  } catch (const std::runtime_error& e) {  // OptionError, tools::ReadError
    throw OptionError(option + ": " + e.what());
  } catch (const std::bad_alloc&) {
    throw OptionError(option + ": " + path + ": out of memory while reading the pilot");
  }
}

}  // namespace kelvaro::plan
