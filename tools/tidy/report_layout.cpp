#include "tidy/report_layout.h"

namespace kelvaro::tidy {
namespace {

constexpr NumberKind kInt = NumberKind::kInteger;
constexpr NumberKind kReal = NumberKind::kReal;

const std::string kRule31(31, '=');
const std::string kRule47(47, '=');

}  // namespace

const BlockSection kSample1{"Sample 1", {"", " Sample 1:", " " + kRule31}, "R(1)  ", "N(1)  "};
const BlockSection kSample2{"Sample 2", {"", " Sample 2:", " " + kRule31}, "R(2)  ", "N(2)  "};
const BlockSection kSubsetA{"Subset A",
                            {"", " Subset A:Subset of species observed both samples,",
                             "          f(i) and n(i) data come from Sample 2", " " + kRule47},
                            "m2(R1)",
                            "M2(R1)"};
const BlockSection kSubsetB{"Subset B",
                            {"", " Subset B:Subset of species observed both samples",
                             "          f(i) and n(i) data come from Sample 1", " " + kRule47},
                            "m1(R2)",
                            "M1(R2)"};

const std::vector<Field> kBlockReplicateFields = {{1, 6, kInt},  {7, 6, kInt},  {13, 6, kInt},
                                                  {19, 6, kInt}, {25, 6, kInt}, {31, 6, kInt},
                                                  {37, 6, kInt}, {43, 6, kInt}, {49, 12, kReal}};
const std::vector<Field> kMeanFrequencyFields = {{0, 9, kReal},  {9, 9, kReal},  {18, 9, kReal},
                                                 {27, 9, kReal}, {36, 9, kReal}, {45, 9, kReal}};
const std::vector<Field> kReplicateFields = {
    {0, 5, kReal},  {5, 5, kReal},  {10, 5, kReal}, {15, 5, kReal}, {20, 7, kReal},
    {27, 7, kReal}, {34, 7, kReal}, {41, 7, kReal}, {48, 8, kReal}, {56, 7, kReal},
    {63, 7, kReal}, {70, 6, kInt},  {76, 6, kInt}};

const std::array<const char*, kParameterCount> kParameterLabels = {
    "N(1)", "N(2)", "M2(R1)", "M1(R2)", "PHI", "GAMMA", "LAMBDA", "altLAMBDA", "B", "p(1)", "p(2)"};

const std::array<const char*, 16> kDefinitionStarts = {
    "R(1)     : ", "R(2)     : ", "f(i)     : ", "f'(i)    : ", "n(i)     : ", "N(1)     : ",
    "N(2)     : ", "M2(R1)   : ", "M1(R2)   : ", "PHI      : ", "GAMMA    : ", "LAMBDA   : ",
    "altLAMBDA: ", "B        : ", "p(1)     : ", "p(2)     : "};

const std::vector<Field> kParameterFields = {
    {11, 10, kReal}, {21, 10, kReal}, {31, 10, kReal}, {45, 10, kReal}, {58, 10, kReal}};

const std::vector<Field> kPooledFields = {
    {0, 8, kReal},  {8, 8, kReal},  {16, 8, kReal}, {24, 8, kReal}, {32, 8, kReal},
    {40, 8, kReal}, {48, 8, kReal}, {56, 8, kReal}, {64, 8, kReal}, {72, 8, kReal}};

}  // namespace kelvaro::tidy
