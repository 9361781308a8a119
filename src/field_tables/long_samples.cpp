#include <algorithm>
#include <unordered_map>

#include "field_tables/long_table.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/natural_order.h"

namespace kelvaro::prep {
namespace {

using csv::LongColumn;

// One of the table's two samples while it is read: its sites by the reader's site id.
struct SampleBuilder {
  std::uint32_t label_id = 0;
  Sample sample;
  std::unordered_map<std::uint32_t, int> site_index;
};

// Reads the records into the two samples, refusing a third sample and a site beyond kMaxSites
// at once.
class LongSamples {
 public:
  // `only`: the labels of the two samples to take, rows of others left out (none: every row).
  LongSamples(csv::LongTableReader& reader, std::vector<std::string> only)
      : reader_(reader), only_(std::move(only)) {}
  void read();
  std::vector<SampleBuilder>& samples() { return samples_; }

 private:
  SampleBuilder& builder_of(const csv::LongRecord& record);
  int site_of(SampleBuilder& builder, const csv::LongRecord& record);

  // Whether the sample of the reader's id `sample` is taken.
  bool taken(std::uint32_t sample);

  csv::LongTableReader& reader_;
  std::vector<std::string> only_;
  std::vector<std::int8_t> taken_;  // by the reader's sample id: -1 not known yet, 0 or 1
  std::vector<SampleBuilder> samples_;
};

bool LongSamples::taken(std::uint32_t sample) {
  if (only_.empty()) return true;
  if (sample >= taken_.size()) taken_.resize(sample + 1, -1);
  if (taken_[sample] < 0) {
    const std::string_view label = reader_.samples().label(sample);
    taken_[sample] = label == only_[0] || label == only_[1] ? 1 : 0;
  }
  return taken_[sample] == 1;
}

SampleBuilder& LongSamples::builder_of(const csv::LongRecord& record) {
  for (SampleBuilder& b : samples_) {
    if (b.label_id == record.sample) return b;
  }
  const std::string label(reader_.samples().label(record.sample));
  if (samples_.size() == 2) {
    throw reader_.error_at(record.line, LongColumn::kSample,
                           "a third sample " + tools::quoted_excerpt(label) +
                               " (kelvaro-prep compares two samples: name them with --first "
                               "and --second, or keep the rows of the two to compare)");
  }
  samples_.push_back({record.sample, {}, {}});
  samples_.back().sample.label = label;
  return samples_.back();
}

int LongSamples::site_of(SampleBuilder& b, const csv::LongRecord& record) {
  const auto [it, added] =
      b.site_index.try_emplace(record.site, static_cast<int>(b.sample.sites.size()));
  if (!added) return it->second;
  if (b.sample.sites.size() == kMaxSites) {
    throw reader_.error_at(record.line, LongColumn::kSite,
                           "more than " + std::to_string(kMaxSites) + " sites in sample " +
                               tools::quoted_excerpt(b.sample.label) + " (kelvaro takes at most " +
                               std::to_string(kMaxSites) + "; merge sites or split the survey)");
  }
  b.sample.sites.emplace_back(reader_.sites().label(record.site));
  return it->second;
}

void LongSamples::read() {
  for (csv::LongRecord record; reader_.next(record);) {
    if (!taken(record.sample)) continue;
    SampleBuilder& b = builder_of(record);
    const int site = site_of(b, record);
    if (record.species == csv::kNoSpecies) continue;
    if (record.detected) {
      b.sample.detect(record.species, site);
    } else {
      b.sample.name(record.species);
    }
  }
}

std::string sample_list(const std::vector<SampleBuilder>& samples) {
  std::string text;
  for (const SampleBuilder& b : samples) {
    text += (text.empty() ? "" : " and ") + tools::quoted_excerpt(b.sample.label);
  }
  return text;
}

// Sample 1 first: `first` when given, else as `order` puts them.
void order_samples(std::vector<SampleBuilder>& samples, const csv::LongTableReader& reader,
                   const std::optional<std::string>& first, tools::SampleOrder order) {
  if (!first) {
    if (order == tools::SampleOrder::kNatural &&
        tools::natural_order(
            std::vector<std::string>{samples[0].sample.label, samples[1].sample.label})[0] == 1) {
      std::swap(samples[0], samples[1]);
    }
    return;
  }
  if (*first == samples[0].sample.label) return;
  if (*first != samples[1].sample.label) {
    throw reader.error_at(reader.header_line(), LongColumn::kSample,
                          "--first " + tools::quoted_excerpt(*first) +
                              " is not a sample of the table (they are " + sample_list(samples) +
                              ")");
  }
  std::swap(samples[0], samples[1]);
}

// The labels of the table's samples, quoted and joined, as many as `most`.
std::string all_samples(const csv::LongTableReader& reader, std::size_t most = 10) {
  std::string text;
  for (std::uint32_t i = 0; i < reader.samples().size() && i < most; ++i) {
    text += (text.empty() ? "" : ", ") + tools::quoted_excerpt(reader.samples().label(i));
  }
  if (reader.samples().size() > most) text += ", ...";
  return text;
}

}  // namespace

Survey load_long(tools::ByteSource& source, const TableOptions& options,
                 const csv::LongTableColumns& columns, const std::optional<std::string>& first,
                 const std::optional<std::string>& second) {
  std::optional<csv::LongTableReader> reader;
  try {
    reader.emplace(source, csv::LongTableOptions{columns, options.separator, options.na_absent,
                                                 options.fold_case});
  } catch (const csv::MissingColumn& missing) {
    if (missing.role() != LongColumn::kSample) throw;
    throw UsageError(
        "kelvaro-prep needs two site-by-species files (Sample 1 and Sample 2), or "
        "one long table with columns sample,site,species; " +
        source.name() + " has neither a sample column nor a partner file");
  }
  std::vector<std::string> only;
  if (first && second) only = {*first, *second};
  LongSamples builders(*reader, only);
  builders.read();
  std::vector<SampleBuilder>& samples = builders.samples();
  for (const std::string& label : only) {
    const bool found = std::any_of(samples.begin(), samples.end(),
                                   [&](const SampleBuilder& b) { return b.sample.label == label; });
    if (!found) {
      throw reader->error_at(
          reader->header_line(), LongColumn::kSample,
          (label == only[0] ? "--first " : "--second ") + tools::quoted_excerpt(label) +
              " is not a sample of the table (its samples: " + all_samples(*reader) + ")");
    }
  }
  if (samples.size() != 2) {
    throw reader->error_at(reader->header_line(), LongColumn::kSample,
                           "the table holds " + std::to_string(samples.size()) +
                               " sample(s); it must hold exactly two (" + sample_list(samples) +
                               "), the two samples to compare");
  }
  order_samples(samples, *reader, first, options.sample_order);
  for (const SampleBuilder& b : samples) {
    if (!b.sample.has_detection()) {
      throw reader->error_at(reader->header_line(), LongColumn::kSample,
                             "sample " + tools::quoted_excerpt(b.sample.label) +
                                 " has no detection (every row of it says not detected)");
    }
  }
  Survey survey(options.fold_case);
  survey.species = std::move(reader->species());
  survey.sample1 = std::move(samples[0].sample);
  survey.sample2 = std::move(samples[1].sample);
  const std::string how =
      " of " + reader->file() + " (" + source_dialect(reader->separator()) + ")";
  survey.sources = {"Sample 1: " + tools::quoted_excerpt(survey.sample1.label) + how,
                    "Sample 2: " + tools::quoted_excerpt(survey.sample2.label) + how};
  survey.count_column = reader->column_name(LongColumn::kCount);
  survey.na_absent = options.na_absent;
  survey.site_variants = reader->sites().variants();
  for (const auto& [one, other] : tools::same_number_labels(reader->samples())) {
    survey.table_warnings.push_back(reader->file() + ": samples " + tools::quoted_excerpt(one) +
                                    " and " + tools::quoted_excerpt(other) +
                                    " are the same number written differently and count as two "
                                    "samples; write them alike if they are one");
  }
  return survey;
}

}  // namespace kelvaro::prep
