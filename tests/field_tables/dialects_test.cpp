// Field data as people have it: every dialect and cell variant of one small data set gives
// byte for byte the kelvaro input of its clean comma-separated version.

#include <gtest/gtest.h>

#include "field_tables/prep_helpers.h"

namespace kelvaro::prep {
namespace {

// Sample 1: sites s1..s3; Sp.A at s1, s3; Sp.B at s2, s3; Sp.C at s1.
// Sample 2: sites u1, u2; Sp.A at u1; Sp.C at u1; Sp.D at u2.
const std::string kClean1 = "site,Sp.A,Sp.B,Sp.C\ns1,1,0,2\ns2,0,1,0\ns3,1,1,0\n";
const std::string kClean2 = "site,Sp.A,Sp.C,Sp.D\nu1,1,1,0\nu2,0,0,1\n";
const std::string kCleanLong =
    "sample,site,species\n"
    "one,s1,Sp.A\none,s1,Sp.C\none,s2,Sp.B\none,s3,Sp.A\none,s3,Sp.B\n"
    "two,u1,Sp.A\ntwo,u1,Sp.C\ntwo,u2,Sp.D\n";

TableOptions with(std::optional<char> separator, bool na_absent = false) {
  TableOptions options;
  options.separator = separator;
  options.na_absent = na_absent;
  return options;
}

TEST(Dialects, SiteBySpeciesVariantsGiveTheSameInput) {
  const std::string expected = input_of(wide_pair(kClean1, kClean2));
  // Hand derivation of the clean input: Sample 1 f = (1, 2, 0), n = (2, 1, 2); Sample 2
  // f = (3, 0), n = (2, 1); Sp.A and Sp.C in both: Subset A f = (2, 0), n = (2, 0); Subset B
  // f = (1, 1, 0), n = (2, 0, 1).
  EXPECT_EQ(expected, "3 2 0 50 400\n1 2 0\n2 1 2\n3 0\n2 1\n2 0\n2 0\n1 1 0\n2 0 1\n");
  const std::string semicolons = "site;Sp.A;Sp.C;Sp.D\nu1;1;1;0\nu2;0;0;1\n";
  const struct {
    const char* name;
    std::string first;
    TableOptions options;
    std::string second = kClean2;
  } cases[] = {
      {"semicolons, decimal commas",
       "site;Sp.A;Sp.B;Sp.C\ns1;0,5;0;2,25\ns2;0;1;0\ns3;1;1;0\n",
       {}},
      {"tabs", "site\tSp.A\tSp.B\tSp.C\ns1\t1\t0\t2\ns2\t0\t1\t0\ns3\t1\t1\t0\n", {}},
      {"--sep semicolon", "site;Sp.A;Sp.B;Sp.C\ns1;1;;1\ns2;;1;\ns3;1;1;\n", with(';'), semicolons},
      {"one file semicolons, the other commas",
       "site;Sp.A;Sp.B;Sp.C\ns1;1;;1\ns2;;1;\ns3;1;1;\n",
       {}},
      {"blank cells are absent", "site,Sp.A,Sp.B,Sp.C\ns1,1,,2\ns2,,1,\ns3,1,1,\n", {}},
      {"x marks", "site,Sp.A,Sp.B,Sp.C\ns1,x,,X\ns2,,x,\ns3,X,x,\n", {}},
      {"TRUE/FALSE",
       "site,Sp.A,Sp.B,Sp.C\ns1,TRUE,FALSE,true\ns2,FALSE,TRUE,False\n"
       "s3,TRUE,TRUE,FALSE\n",
       {}},
      {"yes/no and present/absent",
       "site,Sp.A,Sp.B,Sp.C\ns1,yes,no,Present\ns2,No,YES,absent\n"
       "s3,present,yes,ABSENT\n",
       {}},
      {"NA taken as absent", "site,Sp.A,Sp.B,Sp.C\ns1,1,NA,2\ns2,NaN,1,na\ns3,1,1,NA\n",
       with(std::nullopt, true)},
      {"CR LF, byte-order mark, quotes",
       "\xEF\xBB\xBF\"site\",\"Sp.A\",Sp.B,Sp.C\r\n\"s1\",\"1\",0,2\r\ns2,0,1,0\r\ns3,1,1,0\r\n",
       {}},
      {"CR line ends, blank lines", "site,Sp.A,Sp.B,Sp.C\r\rs1,1,0,2\rs2,0,1,0\rs3,1,1,0\r", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(input_of(wide_pair(c.first, c.second, c.options)), expected);
  }
}

TEST(Dialects, LongTableVariantsGiveTheSameInput) {
  const std::string expected = input_of(wide_pair(kClean1, kClean2));
  EXPECT_EQ(input_of(long_table(kCleanLong)), expected);
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"semicolons, a count column with decimal commas, zero rows",
       "Sample;Site;Species;Count\none;s1;Sp.A;1\none;s1;Sp.B;0,0\none;s1;Sp.C;0,5\n"
       "one;s2;Sp.B;3\none;s3;Sp.A;1\none;s3;Sp.B;1\ntwo;u1;Sp.A;2\ntwo;u1;Sp.C;1\n"
       "two;u2;Sp.D;1\ntwo;u2;Sp.A;0\n"},
      {"tabs, a detected column, a visit row without species",
       "SPECIES\tsite\tsample\tdetected\nSp.A\ts1\tone\tTRUE\nSp.C\ts1\tone\tTRUE\n"
       "Sp.B\ts2\tone\tTRUE\nSp.A\ts3\tone\tTRUE\nSp.B\ts3\tone\tTRUE\n\tu1\ttwo\tFALSE\n"
       "Sp.A\tu1\ttwo\tTRUE\nSp.C\tu1\ttwo\tTRUE\nSp.D\tu2\ttwo\tTRUE\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(input_of(long_table(c.text)), expected);
  }
}

}  // namespace
}  // namespace kelvaro::prep
