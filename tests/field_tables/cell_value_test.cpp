#include "field_tables/cell_value.h"

#include <gtest/gtest.h>

namespace kelvaro::csv {
namespace {

TEST(CellValue, TheVocabularyOfFieldData) {
  const CellRules plain, comma{true, false}, na{false, true};
  const std::string huge(400, '9');
  const struct {
    const char* cell;
    CellRules rules;
    std::optional<bool> expected;
  } cases[] = {
      // The examples of the header comment.
      {"3", plain, true},
      {"0.5", plain, true},
      {"1e-3", plain, true},
      {"x", plain, true},
      {"X", plain, true},
      {"TRUE", plain, true},
      {"yes", plain, true},
      {"Present", plain, true},
      {"", plain, false},
      {"  ", plain, false},
      {"0", plain, false},
      {"-1", plain, false},
      {"0.0", plain, false},
      {"FALSE", plain, false},
      {"no", plain, false},
      {"ABSENT", plain, false},
      {"+2", plain, true},
      {" 1 ", plain, true},
      // Decimal comma only where the separator is the semicolon.
      {"0,5", comma, true},
      {"0,0", comma, false},
      {"0,5", plain, std::nullopt},
      {"1.000,5", comma, std::nullopt},
      {"1,2,3", comma, std::nullopt},
      // Missing values: refused unless taken as absent.
      {"NA", plain, std::nullopt},
      {"nan", plain, std::nullopt},
      {"NA", na, false},
      {"NaN", na, false},
      // Plain digits: a quick path up to 15 digits must agree with the reading of numbers.
      {"000", plain, false},
      {"007", plain, true},
      {"000000000000001", plain, true},     // 15 digits
      {"0000000000000001", plain, true},    // 16: read as a number
      {huge.c_str(), plain, std::nullopt},  // 400 digits, beyond a double: refused
      // Infinities are refused as numbers beyond a double are, whatever their sign or spelling.
      {"1e999", plain, std::nullopt},
      {"inf", plain, std::nullopt},
      {"Infinity", plain, std::nullopt},
      {"-inf", plain, std::nullopt},
      {"1e308", plain, true},
      // Anything else.
      {"xx", plain, std::nullopt},
      {"1x", plain, std::nullopt},
      {"?", plain, std::nullopt},
      {"T", plain, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cell);
    EXPECT_EQ(detected(c.cell, c.rules), c.expected);
  }
}

TEST(CellValue, RefusalSaysWhatIsAccepted) {
  const struct {
    const char* cell;
    CellRules rules;
    const char* contains;
    bool mentions_na_absent;
  } cases[] = {
      {"NA", {}, "\"NA\" is not a detection value: a cell must be a number", true},
      {"abc", {}, "x, TRUE/FALSE, yes/no or present/absent", false},
      {"1.000,5", {true, false}, "decimal comma allowed", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cell);
    const std::string reason = cell_refusal(c.cell, c.rules);
    EXPECT_NE(reason.find(c.contains), std::string::npos) << reason;
    EXPECT_EQ(reason.find("--na-absent") != std::string::npos, c.mentions_na_absent) << reason;
  }
}

}  // namespace
}  // namespace kelvaro::csv
