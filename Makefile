# Thin wrapper around CMake. `make run` builds kelvaro alone and runs it on the bundled example;
# `make test` builds everything and runs every test; `make install` installs the programs, their
# manual pages, the documentation and the library for C++ programs under PREFIX, `make uninstall`
# removes them again, and `make package` builds the Debian packages (kelvaro and kelvaro-dev).
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= 2
EXAMPLE ?= examples/two-samples.txt
PREFIX ?= /usr/local
# Every file `make install` wrote from this build folder, for `make uninstall` (CMake's own
# install_manifest.txt is rewritten by every install, and by cpack with the package's paths).
INSTALLED = $(BUILD)/installed-files.txt
# The nested makes that CMake runs would announce every directory they enter.
MAKEFLAGS += --no-print-directory

.PHONY: all deps-build deps-tools deps deps-bench configure build run test asan-test tsan-test clang-test \
        bench bench-tools bench-batch bench-batch-scale bench-batch-memory bench-math exhaustive programs \
        cross-test install uninstall package fuzz r-package r-check r-install r-vignette web web-test \
        python python-test python-install \
        web-screenshots bench-web docs clean

all: build

# What building kelvaro needs (a compiler, CMake, make), and what the tests, tools and
# benchmarks need.
deps-build:
	@sh tools/install-deps.sh build
deps-tools:
	@sh tools/install-deps.sh tools
deps:
	@sh tools/install-deps.sh test
deps-bench:
	@sh tools/install-deps.sh bench

# Only the kelvaro program: no test framework, no companion tools.
run: deps-build
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(BUILD) --target kelvaro -j$(JOBS)
	$(BUILD)/src/cli/kelvaro $(EXAMPLE)

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKELVARO_TESTS=ON -DKELVARO_TOOLS=ON -DKELVARO_PLAN=ON

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure

asan-test: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKELVARO_SANITIZE=ON -DKELVARO_TESTS=ON -DKELVARO_TOOLS=ON -DKELVARO_PLAN=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure --label-exclude once

# The same build and tests as `make test`, compiled by clang++ (in its own build folder). Binutils'
# strip, since the llvm-strip that CMake would pick with clang cannot strip the static programs.
CLANG_BUILD ?= build-clang
clang-test:
	@sh tools/install-deps.sh clang
	CXX=clang++ cmake -S . -B $(CLANG_BUILD) -DCMAKE_STRIP=/usr/bin/strip -DCMAKE_BUILD_TYPE=Release -DKELVARO_TESTS=ON -DKELVARO_TOOLS=ON -DKELVARO_PLAN=ON
	cmake --build $(CLANG_BUILD) -j$(JOBS)
	ctest --test-dir $(CLANG_BUILD) --output-on-failure --label-exclude once

# Runs on several threads at once under ThreadSanitizer: the library's runs, the ordered pool and
# kelvaro-batch.
tsan-test: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARO_THREAD_SANITIZER=ON -DKELVARO_TESTS=ON -DKELVARO_TOOLS=ON
	cmake --build build-tsan --target test_run test_tools test_field_tables test_surveys test_parallel -j$(JOBS)
	./build-tsan/tests/run/test_run --gtest_filter='Api.*'
	./build-tsan/tests/parallel/test_parallel
	./build-tsan/tests/tools/test_tools --gtest_filter='BatchProgram.*'
	./build-tsan/tests/field_tables/test_field_tables --gtest_filter='ParallelLongTable.*'
	./build-tsan/tests/surveys/test_surveys --gtest_filter='DetectionTable.*'

# kelvaro cross-built for 64-bit ARM (Debian's cross compiler, linked statically) and the golden
# reports run under qemu-user, on the plain path and on the NEON lanes, and every bench input on
# both: the same bytes on another architecture.
CROSS_BUILD ?= build-aarch64
cross-test:
	@sh tools/install-deps.sh cross
	@cmake -S . -B $(CROSS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(CROSS_BUILD) --target kelvaro -j$(JOBS)
	sh tests/golden/run-program.sh $(CROSS_BUILD)/src/cli/kelvaro qemu-aarch64
	KELVARO_ISA=neon sh tests/golden/run-program.sh $(CROSS_BUILD)/src/cli/kelvaro qemu-aarch64
	@for f in typical large heavy longtail few sites; do \
	  KELVARO_ISA=scalar qemu-aarch64 $(CROSS_BUILD)/src/cli/kelvaro -q < bench/inputs/$$f.txt > $(CROSS_BUILD)/$$f-scalar.out && \
	  KELVARO_ISA=neon qemu-aarch64 $(CROSS_BUILD)/src/cli/kelvaro -q < bench/inputs/$$f.txt > $(CROSS_BUILD)/$$f-neon.out && \
	  cmp $(CROSS_BUILD)/$$f-scalar.out $(CROSS_BUILD)/$$f-neon.out || exit 1; \
	done; echo "bench inputs typical, large, heavy, longtail, few, sites: neon and scalar reports identical"

# Every program a user runs (kelvaro and the companion programs), and nothing else.
programs: deps-tools
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKELVARO_TOOLS=ON -DKELVARO_PLAN=ON > /dev/null
	@cmake --build $(BUILD) --target programs -j$(JOBS)

# The programs into $(PREFIX)/bin, their manual pages into $(PREFIX)/share/man/man1, the README and
# the example data into $(PREFIX)/share/doc/kelvaro; the library for C++ programs (headers,
# static libraries, CMake package, pkg-config file) into $(PREFIX)/include and $(PREFIX)/lib.
install: programs
	cmake --install $(BUILD) --prefix "$(PREFIX)" --strip
	@cat $(BUILD)/install_manifest.txt >> $(INSTALLED) && echo >> $(INSTALLED)

# Removes every file `make install` wrote from this build folder, whatever its PREFIX.
uninstall:
	@if [ ! -f $(INSTALLED) ]; then \
	  echo "make uninstall: nothing was installed from $(BUILD) (no $(INSTALLED)); if that folder" \
	       "was removed since, run make install with the same PREFIX, then make uninstall" >&2; \
	  exit 1; fi
	@cmake -DMANIFEST=$(INSTALLED) -P cmake/uninstall.cmake

# $(BUILD)/kelvaro_<version>_<arch>.deb and kelvaro-dev_<version>_<arch>.deb (install them with
# apt-get install ./$(BUILD)/kelvaro_...deb).
package: programs
	cpack --config $(BUILD)/CPackConfig.cmake -B $(BUILD)

# Every benchmark is built in one folder, with the companion programs whose work some measure.
BENCH_CONFIGURE = cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKELVARO_BENCH=ON \
                  -DKELVARO_TOOLS=ON -DKELVARO_PLAN=ON -DKELVARO_TESTS=OFF

# Whole runs on bench/inputs/ against the bare uniform stream; prints heavy / stream at the end.
bench: deps-bench
	$(BENCH_CONFIGURE)
	cmake --build build-bench --target kelvaro_bench -j$(JOBS)
	./build-bench/bench/kelvaro_bench

# kelvaro-prep's reading of large generated tables (a long table of 1,000,000 records, two
# site-by-species tables of 100,000 species), in process.
bench-tools: deps-bench
	$(BENCH_CONFIGURE)
	cmake --build build-bench --target tools_bench -j$(JOBS)
	./build-bench/bench/tools_bench

# kelvaro-batch in process on a simulated monitoring scheme (bench/make_survey.py; ROUTES routes
# x YEARS years x 50 stops, generated once, its rows shuffled and sorted): the bare scan,
# the records alone and the compact table on 1 and 2 threads, the analysis alone, the batch on 1
# and 2 threads (shuffled) and on 1 thread (sorted), then the ratios (2 threads against 1,
# shuffled against sorted, reading against the scan). bench-batch-scale: kelvaro-batch as a
# program on SCALE_ROUTES routes (about 20 million rows, generated, never stored in the
# repository): wall-clock and processor time and peak memory.
ROUTES ?= 2000
YEARS ?= 4
SURVEY = build-bench/survey-$(ROUTES)x$(YEARS)
bench-batch: deps-bench
	$(BENCH_CONFIGURE)
	cmake --build build-bench --target batch_bench kelvaro-batch -j$(JOBS)
	test -s $(SURVEY).csv || python3 bench/make_survey.py --routes $(ROUTES) --years $(YEARS) > $(SURVEY).csv
	test -s $(SURVEY)-shuffled.csv || python3 bench/make_survey.py --routes $(ROUTES) --years $(YEARS) --shuffle > $(SURVEY)-shuffled.csv
	./build-bench/bench/batch_bench $(SURVEY)-shuffled.csv $(SURVEY).csv

SCALE_ROUTES ?= 10200
bench-batch-scale: deps-bench
	$(BENCH_CONFIGURE)
	cmake --build build-bench --target kelvaro-batch -j$(JOBS)
	sh bench/batch_scale.sh build-bench/tools/kelvaro-batch $(SCALE_ROUTES)

# kelvaro-batch's peak memory on 100,000 and 1,000,000 small groups (2 threads), and its refusal
# of 12.5 million pairs: whole runs of the program (bench/batch_memory.py).
bench-batch-memory: deps-bench
	$(BENCH_CONFIGURE)
	cmake --build build-bench --target kelvaro-batch -j$(JOBS)
	python3 bench/batch_memory.py build-bench/tools/kelvaro-batch

# exp, log and expf of our own against the C library's, per call.
bench-math: deps-bench
	$(BENCH_CONFIGURE)
	cmake --build build-bench --target exactmath_bench -j$(JOBS)
	./build-bench/bench/exactmath_bench

# The long checks of exp, log and expf against MPFR (not run by `make test`): every float
# argument of expf (about ten minutes) and a few million random arguments of exp and log.
exhaustive: configure
	cmake --build $(BUILD) --target exhaustive_expf random_exp_log -j$(JOBS)
	$(BUILD)/tests/exactmath/random_exp_log
	$(BUILD)/tests/exactmath/exhaustive_expf

# The R package in r/: its tarball built from the project's sources, kept in $(R_BUILD)/
# (r-package: install.packages(path, repos = NULL) installs it), checked by R CMD check
# --as-cran (fails on an ERROR, a WARNING, or a NOTE that no internet does not explain), or
# installed into the user's R library, or into RLIB=DIR.
R_BUILD ?= build-r
RLIB ?=
r-package:
	@sh tools/install-deps.sh r
	JOBS=$(JOBS) sh r/tools/package.sh package $(R_BUILD)

r-check:
	@sh tools/install-deps.sh r-check
	JOBS=$(JOBS) sh r/tools/package.sh check $(R_BUILD)/check

r-install:
	@sh tools/install-deps.sh r
	JOBS=$(JOBS) sh r/tools/package.sh install $(R_BUILD)/install $(RLIB)

# The vignette's results and figures (r/vignettes/kelvaro.Rmd, r/vignettes/figures/) made again
# from its source, r/vignettes/kelvaro.Rmd.orig, by the package built from the project's sources;
# commit them. The package's tarball builds the vignette from them without compiling.
r-vignette:
	@sh tools/install-deps.sh r
	JOBS=$(JOBS) sh r/tools/package.sh vignette $(R_BUILD)/vignette

# The guides' examples and figures made again from the current code: every runnable example of
# README.md and docs/*.md rewritten with what it prints (the test docs_examples checks them), and
# the figures drawn by the R package from the vignette's runs. Commit what changed.
docs: programs
	python3 tests/docs/run_examples.py --update --path $(BUILD)/src/cli --path $(BUILD)/tools \
	  --path $(BUILD)/tools/plan . \
	  README.md docs/*.md
	@$(MAKE) r-vignette
	mkdir -p docs/figures
	cp r/vignettes/figures/dune-plot-1.png docs/figures/two-places.png
	cp r/vignettes/figures/batch-plot-1.png docs/figures/time-course.png
	cp r/vignettes/figures/plan-plot-1.png docs/figures/plan.png
	cp r/vignettes/figures/dune-curves-1.png docs/figures/curves.png
	@$(MAKE) web-screenshots

# The Python package (python/): `make python` builds its extension module and puts the package in
# $(BUILD)/python, so that PYTHONPATH=$(BUILD)/python /usr/bin/python3 imports kelvaro (Debian's
# python3, whose pandas, Dask and pybind11 tools/install-deps.sh python installs). `make
# python-test` runs its tests and doctests (pytest) against the programs of the same build.
# `make python-install VENV=DIR` installs it into the virtual environment DIR with pip, offline.
PYTHON ?= /usr/bin/python3
VENV ?= build-venv
PYTHON_CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKELVARO_PYTHON=ON \
                   -DPYTHON_EXECUTABLE=$(PYTHON)
python:
	@sh tools/install-deps.sh python
	@$(PYTHON_CONFIGURE) > /dev/null
	cmake --build $(BUILD) --target kelvaro_python -j$(JOBS)

python-test:
	@sh tools/install-deps.sh python
	@sh tools/install-deps.sh test
	@$(PYTHON_CONFIGURE) -DKELVARO_TOOLS=ON -DKELVARO_PLAN=ON > /dev/null
	cmake --build $(BUILD) --target kelvaro_python kelvaro kelvaro-prep kelvaro-tidy kelvaro-batch \
	      kelvaro-plan -j$(JOBS)
	cd $(BUILD) && PYTHONPATH=$(CURDIR)/$(BUILD)/python KELVARO_BUILD=$(CURDIR)/$(BUILD) \
	  KELVARO_SOURCE=$(CURDIR) $(PYTHON) -m pytest -q -p no:cacheprovider --doctest-modules \
	  $(CURDIR)/$(BUILD)/python/kelvaro $(CURDIR)/python/tests

python-install:
	@sh tools/install-deps.sh python
	test -x $(VENV)/bin/python || $(PYTHON) -m venv --system-site-packages $(VENV)
	JOBS=$(JOBS) $(VENV)/bin/python -m pip install --no-build-isolation --no-index ./python

# The web page: build/web/kelvaro.html, one self-contained file (the library compiled to
# WebAssembly by Debian's emscripten, the scripts bundled by esbuild from the packages pinned in
# web/package-lock.json). `make web-test` opens it in headless Chromium and Firefox (Debian's
# chromium and firefox-esr, driven by the pinned playwright-core and puppeteer-core), compares
# what it shows and downloads with the programs' output, checks it with the pinned axe-core, at
# phone width and at 200% zoom, and runs the golden reports and the programs' texts through its
# engine and scripts in node.
VERSION := $(shell head -n 1 VERSION)
WEB_ENGINE = $(BUILD)/wasm/web/kelvaro_web.js
# emscripten's optimiser needs acorn, which Debian's node-acorn puts under /usr/share/nodejs.
EMSCRIPTEN_ENV = NODE_PATH=/usr/share/nodejs

web/node_modules/.installed: web/package.json web/package-lock.json
	cd web && npm ci --no-audit --no-fund --loglevel=error
	@touch $@

web:
	@sh tools/install-deps.sh web
	@$(MAKE) web/node_modules/.installed
	@$(EMSCRIPTEN_ENV) emcmake cmake -S . -B $(BUILD)/wasm -DCMAKE_BUILD_TYPE=Release -DKELVARO_WEB=ON > /dev/null
	$(EMSCRIPTEN_ENV) cmake --build $(BUILD)/wasm --target kelvaro_web -j$(JOBS)
	@rm -rf $(BUILD)/web
	node web/build.mjs $(WEB_ENGINE) $(BUILD)/web/kelvaro.html $(VERSION)

web-test: web
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKELVARO_TOOLS=ON -DKELVARO_PLAN=ON > /dev/null
	@cmake --build $(BUILD) --target kelvaro kelvaro-prep kelvaro-tidy kelvaro-batch kelvaro-plan \
		kelvaro-curves-reference -j$(JOBS)
	node web/test/engine-test.mjs $(WEB_ENGINE) $(BUILD)
	node web/test/texts-test.mjs $(BUILD)
	node web/test/page-test.mjs $(BUILD)/web/kelvaro.html $(BUILD)
	node web/test/firefox-test.mjs $(BUILD)/web/kelvaro.html $(BUILD)

# The README's two pictures of the page, after the example's analysis: docs/web-desktop.png and,
# on a 360 px phone, docs/web-phone.png (web/screenshots.mjs, headless Chromium).
web-screenshots: web
	cd web && node screenshots.mjs ../$(BUILD)/web/kelvaro.html ../docs

# How long the page takes to open and to analyse the example, in headless Chromium and Firefox
# (web/timing.mjs; WEB_RUNS fresh pages in each).
WEB_RUNS ?= 7
bench-web: web
	cd web && node timing.mjs ../$(BUILD)/web/kelvaro.html $(WEB_RUNS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(CLANG_BUILD) $(R_BUILD) $(CROSS_BUILD)
