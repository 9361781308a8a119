// The correctly rounded exp, log and expf against the C library's, on the arguments the program
// passes them: exp(-lambda/2) with lambda in [0, 700] (power of the tests), exp(w) with w in
// [-88, 88] and log of h = x/2 in (0, 50] and of series sums over Gamma, 2^-110..2^100
// (chi-square distribution function), expf(-m) with m in [0, 104] (binomial draws). Each case
// runs through 4096 fixed random arguments; time per call.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "exactmath/exp.h"
#include "exactmath/expf.h"
#include "exactmath/log.h"

namespace {

constexpr int kArguments = 4096;

template <typename T, typename Draw>
std::vector<T> arguments(Draw draw) {
  std::mt19937_64 g(7);
  std::vector<T> v(kArguments);
  for (auto& x : v) x = static_cast<T>(draw(g));
  return v;
}

double uniform(std::mt19937_64& g, double low, double high) {
  return std::uniform_real_distribution<double>(low, high)(g);
}

const std::vector<double> kLambdaHalf =
    arguments<double>([](auto& g) { return -uniform(g, 0.0, 700.0) / 2.0; });
const std::vector<double> kW = arguments<double>([](auto& g) { return uniform(g, -88.0, 88.0); });
const std::vector<double> kH =
    arguments<double>([](auto& g) { return uniform(g, 0.0, 100.0) / 2.0; });
const std::vector<double> kSeries = arguments<double>([](auto& g) {
  return std::ldexp(1.0 + uniform(g, 0.0, 1.0), static_cast<int>(uniform(g, -110.0, 100.0)));
});
const std::vector<float> kM = arguments<float>([](auto& g) { return -uniform(g, 0.0, 104.0); });

template <typename T, typename F>
void run(benchmark::State& state, const std::vector<T>& args, F f) {
  for (auto _ : state) {
    T sum = 0;
    for (T x : args) sum += f(x);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kArguments);
}

namespace em = kelvaro::exactmath;

// NAME_exact and NAME_library: the two functions over the same arguments, each called directly.
template <typename T, typename Exact, typename Library>
void register_pair(const std::string& name, const std::vector<T>& args, Exact exact,
                   Library library) {
  benchmark::RegisterBenchmark((name + "_exact").c_str(),
                               [&args, exact](benchmark::State& s) { run(s, args, exact); });
  benchmark::RegisterBenchmark((name + "_library").c_str(),
                               [&args, library](benchmark::State& s) { run(s, args, library); });
}

}  // namespace

int main(int argc, char** argv) {
  const auto exact_exp = [](double x) { return em::exp(x); };
  const auto library_exp = [](double x) { return std::exp(x); };
  const auto exact_log = [](double x) { return em::log(x); };
  const auto library_log = [](double x) { return std::log(x); };
  register_pair("exp_lambda", kLambdaHalf, exact_exp, library_exp);
  register_pair("exp_w", kW, exact_exp, library_exp);
  register_pair("log_h", kH, exact_log, library_log);
  register_pair("log_series", kSeries, exact_log, library_log);
  register_pair(
      "expf_m", kM, [](float x) { return em::expf(x); }, [](float x) { return std::exp(x); });
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
