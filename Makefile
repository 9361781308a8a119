# Thin wrapper around CMake. `make run` builds kelvaro and runs it on the bundled example;
# `make test` builds everything and runs every test.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= 2
EXAMPLE ?= examples/two-samples.txt

.PHONY: all deps configure build run test asan-test bench bench-math exhaustive fuzz clean

all: build

deps:
	@sh tools/install-deps.sh

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKELVARO_TOOLS=ON

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: deps build
	./$(BUILD)/src/kelvaro/kelvaro < $(EXAMPLE)

test: deps build
	ctest --test-dir $(BUILD) --output-on-failure

asan-test: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKELVARO_SANITIZE=ON -DKELVARO_TOOLS=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure

# Whole runs on bench/inputs/ against the bare uniform stream; prints heavy / stream at the end.
bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKELVARO_BENCH=ON -DKELVARO_TESTS=OFF
	cmake --build build-bench --target kelvaro_bench -j$(JOBS)
	./build-bench/bench/kelvaro_bench

# exp, log and expf of our own against the C library's, per call.
bench-math: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKELVARO_BENCH=ON -DKELVARO_TESTS=OFF
	cmake --build build-bench --target exactmath_bench -j$(JOBS)
	./build-bench/bench/exactmath_bench

# The long checks of exp, log and expf against MPFR (not run by `make test`): every float
# argument of expf (about ten minutes) and a few million random arguments of exp and log.
exhaustive: deps configure
	cmake --build $(BUILD) --target exhaustive_expf random_exp_log -j$(JOBS)
	./$(BUILD)/tests/exactmath/random_exp_log
	./$(BUILD)/tests/exactmath/exhaustive_expf

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
