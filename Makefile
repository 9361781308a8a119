# Thin wrapper around CMake. `make run` builds kelvaro alone and runs it on the bundled example;
# `make test` builds everything and runs every test.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= 2
EXAMPLE ?= examples/two-samples.txt
# The nested makes that CMake runs would announce every directory they enter.
MAKEFLAGS += --no-print-directory

.PHONY: all deps-build deps configure build run test asan-test tsan-test bench bench-tools bench-batch fuzz clean

all: build

# What building kelvaro needs (a compiler, CMake, make), and what the tests and tools need.
deps-build:
	@sh tools/install-deps.sh build
deps:
	@sh tools/install-deps.sh test

# Only the kelvaro program: no test framework, no companion tools.
run: deps-build
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(BUILD) --target kelvaro -j$(JOBS)
	./$(BUILD)/src/cli/kelvaro $(EXAMPLE)

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKELVARO_TESTS=ON -DKELVARO_TOOLS=ON

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure

asan-test: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKELVARO_SANITIZE=ON -DKELVARO_TESTS=ON -DKELVARO_TOOLS=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure

# Runs on several threads at once under ThreadSanitizer: the library's runs, and kelvaro-batch.
tsan-test: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARO_THREAD_SANITIZER=ON -DKELVARO_TESTS=ON -DKELVARO_TOOLS=ON
	cmake --build build-tsan --target test_run test_tools -j$(JOBS)
	./build-tsan/tests/run/test_run --gtest_filter='Api.*'
	./build-tsan/tests/tools/test_tools --gtest_filter='BatchProgram.*'

# Whole runs on bench/inputs/ against the bare uniform stream; prints heavy / stream at the end.
bench:
	@sh tools/install-deps.sh bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKELVARO_BENCH=ON -DKELVARO_TESTS=OFF
	cmake --build build-bench --target kelvaro_bench -j$(JOBS)
	./build-bench/bench/kelvaro_bench

# kelvaro-prep's reading of large generated tables (a long table of 1,000,000 records, two
# site-by-species tables of 100,000 species), in process.
bench-tools: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKELVARO_BENCH=ON -DKELVARO_TOOLS=ON -DKELVARO_TESTS=OFF
	cmake --build build-bench --target tools_bench -j$(JOBS)
	./build-bench/bench/tools_bench

# kelvaro-batch in process on a simulated monitoring scheme (bench/make_survey.py; ROUTES routes
# x 5 years x 50 stops, generated once): reading, the analysis alone, the batch on 1 and 2 threads.
ROUTES ?= 500
bench-batch: deps
	@sh tools/install-deps.sh bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKELVARO_BENCH=ON -DKELVARO_TOOLS=ON -DKELVARO_TESTS=OFF
	cmake --build build-bench --target batch_bench kelvaro-batch -j$(JOBS)
	test -s build-bench/survey-$(ROUTES).csv || python3 bench/make_survey.py --routes $(ROUTES) > build-bench/survey-$(ROUTES).csv
	./build-bench/bench/batch_bench build-bench/survey-$(ROUTES).csv

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
