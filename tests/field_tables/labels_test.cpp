// Labels and names as tables give them, and input text as messages show it.

#include "kelvaro/labels.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "field_tables/key_ids.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::tools {
namespace {

TEST(MessageText, QuotedExcerptsAsTheHeaderShowsThem) {
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"sp. a", "\"sp. a\""},
      {std::string("a\tb\0\"c\\", 7), "\"a\\tb\\x00\\\"c\\\\\""},
      {std::string(500, 'a'), "\"" + std::string(60, 'a') + "\"... (500 bytes)"},
      {std::string(60, 'a'), "\"" + std::string(60, 'a') + "\""},
      // 61 characters of two bytes each: cut after 60 characters, never inside one
      {[] {
         std::string s;
         for (int i = 0; i < 61; ++i) s += "\xC3\xA9";
         return s;
       }(),
       [] {
         std::string s = "\"";
         for (int i = 0; i < 60; ++i) s += "\xC3\xA9";
         return s + "\"... (122 bytes)";
       }()},
      {"line\r\nend", "\"line\\r\\nend\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(quoted_excerpt(c.text), c.expected);
  }
}

TEST(KeyIds, IdsInOrderOfFirstAppearanceThroughGrowthAndClear) {
  // Keys that differ only in their high or low word, beyond the first table's 512 keys.
  std::vector<std::uint64_t> keys;
  for (std::uint64_t i = 0; i < 3000; ++i) keys.push_back(i % 2 == 0 ? i << 32 : i);
  KeyIds ids;
  EXPECT_EQ(ids.find(keys[0]), std::nullopt);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const KeyIds::Found found = ids.id(keys[i]);
    ASSERT_TRUE(found.added) << i;
    ASSERT_EQ(found.id, i);
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const KeyIds::Found again = ids.id(keys[i]);
    ASSERT_FALSE(again.added) << i;
    ASSERT_EQ(again.id, i);
    ASSERT_EQ(ids.find(keys[i]), i);
  }
  EXPECT_EQ(ids.find(std::uint64_t{1} << 63), std::nullopt);
  ids.clear();
  EXPECT_EQ(ids.size(), 0u);
  EXPECT_EQ(ids.find(keys[5]), std::nullopt);
  EXPECT_EQ(ids.id(keys[5]).id, 0u);
}

TEST(LabelPool, EqualTextEqualIdInOrderOfAppearance) {
  LabelPool pool;
  const struct {
    const char* label;
    std::uint32_t id;
    bool added;
  } cases[] = {{"Sp.A", 0, true}, {"Sp.B", 1, true}, {"Sp.A", 0, false}, {"sp.a", 2, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const LabelPool::Interned got = pool.intern(c.label);
    EXPECT_EQ(got.id, c.id);
    EXPECT_EQ(got.added, c.added);
  }
  // Thousands of labels later the first ones are still found and spelt the same.
  for (int i = 0; i < 5000; ++i) pool.intern("species " + std::to_string(i));
  EXPECT_EQ(pool.find("Sp.B"), 1u);
  EXPECT_EQ(pool.label(2), "sp.a");
  EXPECT_EQ(pool.find("none"), std::nullopt);
}

TEST(LabelPool, SameNumbersWrittenDifferently) {
  LabelPool pool;
  for (const char* label : {"2016", "2015", "B", "2015.0", "1e3", "07", "1000", "7", "2015"}) {
    pool.intern(label);
  }
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  // In order of value; each with the first label of its value (by first appearance).
  EXPECT_EQ(same_number_labels(pool), (Pairs{{"07", "7"}, {"1e3", "1000"}, {"2015", "2015.0"}}));
  LabelPool apart;
  for (const char* label : {"2015", "2016", "inf", "Inf", "2015a"}) apart.intern(label);
  EXPECT_EQ(same_number_labels(apart), Pairs{});
}

// A pool copied, moved or assigned answers alone: its labels are its own, not views of the
// pool it came from (which is gone).
TEST(LabelPool, CopiesAndMovesOwnTheirLabels) {
  const std::function<LabelPool(LabelPool&)> ways[] = {
      [](LabelPool& p) { return LabelPool(p); },
      [](LabelPool& p) { return LabelPool(std::move(p)); },
      [](LabelPool& p) {
        LabelPool q;
        q.intern("other");
        q = p;
        return q;
      },
  };
  for (const auto& way : ways) {
    auto original = std::make_unique<LabelPool>();
    for (int i = 0; i < 100; ++i) {
      original->intern("a long label, not kept inline " + std::to_string(i));
    }
    original->intern("Sp.A");
    LabelPool copy = way(*original);
    original.reset();
    EXPECT_EQ(copy.size(), 101u);
    EXPECT_EQ(copy.label(100), "Sp.A");
    EXPECT_EQ(copy.label(7), "a long label, not kept inline 7");
    EXPECT_EQ(copy.find("Sp.A"), 100u);
    EXPECT_EQ(copy.intern("Sp.B").id, 101u);
  }
}

TEST(NamePool, VariantsKeptApartOrFolded) {
  for (const bool fold : {false, true}) {
    SCOPED_TRACE(fold ? "folding" : "kept apart");
    csv::NamePool pool("species", fold);
    const std::uint32_t file = pool.add_file("a.csv");
    const std::uint32_t first = pool.intern("Sp.E", {file, 1, 5});
    const std::uint32_t other = pool.intern(" sp.e", {file, 3, 2});
    pool.intern(" sp.e", {file, 4, 2});  // the same variant again: recorded once
    pool.intern("Sp.F", {file, 5, 2});
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(other, fold ? 0u : 1u);
    EXPECT_EQ(pool.size(), fold ? 2u : 3u);
    ASSERT_EQ(pool.variants().size(), 1u);
    EXPECT_EQ(pool.variants()[0].first, "Sp.E");
    EXPECT_EQ(pool.variants()[0].other, " sp.e");
    EXPECT_EQ(pool.variants()[0].first_place, "a.csv, line 1, column 5");
    EXPECT_EQ(pool.variants()[0].other_place, "a.csv, line 3, column 2");
  }
}

}  // namespace
}  // namespace kelvaro::tools
