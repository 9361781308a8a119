// The correctly rounded exp, log and expf against the C library's, on the arguments the program
// passes them: exp(-lambda/2) with lambda in [0, 700] (power of the tests), exp(w) with w in
// [-88, 88] and log of h = x/2 in (0, 50] and of series sums over Gamma, 2^-110..2^100
// (chi-square distribution function), expf(-m) with m in [0, 104] (binomial draws). Each case
// runs through 4096 fixed random arguments; time per call.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
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
const std::vector<double> kH = arguments<double>([](auto& g) { return uniform(g, 0.0, 100.0) / 2.0; });
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

void exp_lambda_exact(benchmark::State& s) { run(s, kLambdaHalf, [](double x) { return em::exp(x); }); }
void exp_lambda_library(benchmark::State& s) { run(s, kLambdaHalf, [](double x) { return std::exp(x); }); }
void exp_w_exact(benchmark::State& s) { run(s, kW, [](double x) { return em::exp(x); }); }
void exp_w_library(benchmark::State& s) { run(s, kW, [](double x) { return std::exp(x); }); }
void log_h_exact(benchmark::State& s) { run(s, kH, [](double x) { return em::log(x); }); }
void log_h_library(benchmark::State& s) { run(s, kH, [](double x) { return std::log(x); }); }
void log_series_exact(benchmark::State& s) { run(s, kSeries, [](double x) { return em::log(x); }); }
void log_series_library(benchmark::State& s) { run(s, kSeries, [](double x) { return std::log(x); }); }
void expf_m_exact(benchmark::State& s) { run(s, kM, [](float x) { return em::expf(x); }); }
void expf_m_library(benchmark::State& s) { run(s, kM, [](float x) { return std::exp(x); }); }

BENCHMARK(exp_lambda_exact);
BENCHMARK(exp_lambda_library);
BENCHMARK(exp_w_exact);
BENCHMARK(exp_w_library);
BENCHMARK(log_h_exact);
BENCHMARK(log_h_library);
BENCHMARK(log_series_exact);
BENCHMARK(log_series_library);
BENCHMARK(expf_m_exact);
BENCHMARK(expf_m_library);

}  // namespace

BENCHMARK_MAIN();
