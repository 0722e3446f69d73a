# Morvex: `make run` starts the desktop program, `make test` runs every test.
# Each installs the Debian packages it needs when they are missing (as root, or through sudo).

BUILD  ?= build
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
# What building and running need (make run), and what the tests add (make test).
DEBS      := g++ cmake make qt6-base-dev libcli11-dev libxml2-dev nlohmann-json3-dev fonts-dejavu-core \
             libcurl4-openssl-dev libsqlite3-dev
TEST_DEBS := $(DEBS) libgtest-dev libgmock-dev libbenchmark-dev librsvg2-bin gdal-bin python3 \
             dpkg-dev lintian man-db appstream desktop-file-utils zsh fish \
             libcpp-httplib-dev sqlite3
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
# The builds of `make test` and `make fuzz` stop at the first compiler warning (`WERROR=` lets them pass).
WERROR ?= -DCMAKE_COMPILE_WARNING_AS_ERROR=ON

# The sanitizer suite: the core, morvex-search, morvex-import, morvex-harvest and their tests with AddressSanitizer and UBSan.
ASAN_BUILD   ?= build-asan
ASAN_TARGETS := core_tests cli_tests import_tests harvest_tests morvex-search morvex-import morvex-harvest search_alone
export ASAN_OPTIONS  ?= detect_leaks=1:strict_string_checks=1:check_initialization_order=1
export UBSAN_OPTIONS ?= print_stacktrace=1

# The libFuzzer targets, built with clang; each runs FUZZ_SECONDS on a copy of its seed corpus.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_reader fuzz_run fuzz_import
FUZZ_DEBS    := clang-14 libclang-rt-14-dev

# clang-tidy for `make lint`, clang-format for `make format-check`.
LINT_DEBS := clang-tidy clang-format python3

.PHONY: all deps test-deps fuzz-deps lint-deps build run test test-asan fuzz lint format-check bench clean screenshots package

all: build

PACKAGES_deps      = $(DEBS)
PACKAGES_test-deps = $(TEST_DEBS)
PACKAGES_fuzz-deps = $(FUZZ_DEBS)
PACKAGES_lint-deps = $(LINT_DEBS)
deps test-deps fuzz-deps lint-deps:
	@missing=""; \
	for p in $(PACKAGES_$@); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing Debian packages:$$missing"; \
	    if [ "$$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi; \
	    $$SUDO apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd samples && ../$(BUILD)/morvex

# The windows' main states, also in a folder for each screen the window is tried on (the last at
# twice the scale), and the exports of the sample search for Spanish cruises.
SCREENS := 1920x1080 1024x768 2560x1440
# The world map shows the inventory imported from the window out of 3,000 generated records.
screenshots: build
	@records=$$(mktemp -d); trap 'rm -rf "$$records"' EXIT; \
	$(BUILD)/csrgen --seed 7 --records 3000 --out "$$records/records.xml" && \
	export MORVEX_SHOT_RECORDS="$$records/records.xml" QT_QPA_PLATFORM=offscreen && \
	$(BUILD)/morvex-screenshots $(BUILD)/screenshots samples && \
	for screen in $(SCREENS); do \
	    $(BUILD)/morvex-screenshots $(BUILD)/screenshots/$$screen samples $$screen || exit 1; \
	done && \
	QT_SCALE_FACTOR=2 $(BUILD)/morvex-screenshots $(BUILD)/screenshots/1920x1080-scale2 samples 1920x1080
	@work=$$(mktemp -d); trap 'rm -rf "$$work"' EXIT; cp samples/KER*.INF "$$work/" && \
	out=$(abspath $(BUILD))/screenshots && \
	(cd "$$work" && $(abspath $(BUILD))/morvex-search --quiet --country spain \
	    --export "$$out/spain.csv" --export "$$out/spain.jsonl" --export "$$out/spain.geojson" \
	    --export "$$out/spain.svg" KER1994.INF KER1995.INF KER1996.INF >/dev/null) && \
	ls "$$out"/spain.*

# The Debian packages morvex-search and morvex, into $(BUILD)/.
package: test-deps build
	cd $(BUILD) && cpack

test: test-deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) $(WERROR)
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-asan

# The browser check and the packages are in the normal suite only: they look at pages and
# packages, not at memory.
test-asan: test-deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVEX_SANITIZE=ON -DMORVEX_GUI=OFF $(WERROR)
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target $(ASAN_TARGETS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE 'browser|package'

# clang-tidy with the checks of .clang-tidy on the core and the front ends (not the tests and
# tools), from the compile commands of $(BUILD); any finding fails.
lint: lint-deps $(BUILD)/CMakeCache.txt
	cmake -S . -B $(BUILD) -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
	python3 tools/lint.py $(BUILD) $(JOBS)

# The lines changed since FORMAT_BASE (the previous commit by default) as clang-format writes them.
FORMAT_BASE ?= HEAD~1
format-check: lint-deps
	tools/check-format.sh $(FORMAT_BASE)

# Crashing inputs are kept as $(FUZZ_BUILD)/crashes/<target>-crash-<sha1>; replay one with
# `$(FUZZ_BUILD)/tests/fuzz/<target> FILE`, then add it to tests/fuzz/regressions/<target>/.
fuzz: fuzz-deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DMORVEX_FUZZ=ON -DMORVEX_GUI=OFF -DBUILD_TESTING=OFF $(WERROR)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	@mkdir -p $(FUZZ_BUILD)/crashes; \
	work=$$(mktemp -d); trap 'rm -rf "$$work"' EXIT; failed=""; \
	for t in $(FUZZ_TARGETS); do \
	    mkdir -p "$$work/$$t" && cp tests/fuzz/corpus/$$t/* "$$work/$$t/" || exit 1; \
	    echo "fuzz: $$t for $(FUZZ_SECONDS) s"; \
	    if (cd "$$work" && "$(CURDIR)/$(FUZZ_BUILD)/tests/fuzz/$$t" -max_total_time=$(FUZZ_SECONDS) \
	            -timeout=30 -print_final_stats=1 -artifact_prefix="$(CURDIR)/$(FUZZ_BUILD)/crashes/$$t-" \
	            "$$work/$$t") >"$$work/$$t.log" 2>&1; then \
	        grep -h -E '^(Done|stat::number_of_executed_units)' "$$work/$$t.log"; \
	    else \
	        tail -n 60 "$$work/$$t.log"; failed="$$failed $$t"; \
	    fi; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzz: failed:$$failed (inputs in $(FUZZ_BUILD)/crashes)"; exit 1; fi

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
