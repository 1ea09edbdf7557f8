# Everything a fresh Debian machine needs: `make test` installs the packages
# the build needs when they are missing, configures, builds and runs every
# test; `make demo` does the same for the command-line demo.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

BUILD_PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
                  libcli11-dev libsndfile1-dev gnuplot-nox \
                  python3-dev pybind11-dev python3-numpy python3-pytest
BENCH_PACKAGES := libstk-dev libliquid-dev valgrind sox python3-numpy
FUZZ_PACKAGES  := clang libclang-rt-14-dev

# Installs the named Debian packages that are not installed yet.
define ensure_packages
	@missing=""; for p in $(1); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" -eq 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -q && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -q $$missing; \
	fi
endef

.PHONY: all deps build test demo bench bench-deps fuzz clean validate sanitize-test fuzz-deps soak

all: build

deps:
	$(call ensure_packages,$(BUILD_PACKAGES))

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS)

# The test suite, the validator on the block just built, then the whole
# suite again under the sanitizers. The fuzz packages bring the header the
# replays of the fuzz inputs need.
test: fuzz-deps build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS)
	$(MAKE) --no-print-directory validate sanitize-test

# Every check of `quorbelin validate` on the block, and every general check
# on the example gain block; fails on any failure.
validate: build
	$(BUILD_DIR)/quorbelin validate $(BUILD_DIR)/quorbelin.so $(VALIDATE_ARGS)
	$(BUILD_DIR)/quorbelin validate $(BUILD_DIR)/gain.so --param 2.5 $(VALIDATE_ARGS)

# The block, the host, the tool and every test under AddressSanitizer (leak
# detection on) and UndefinedBehaviorSanitizer, in a build folder of its own;
# any report fails the test that made it. -O1 keeps the instrumented run quick.
SANITIZE_BUILD_DIR ?= build-asan
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:strict_init_order=1 \
                 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
                 LSAN_OPTIONS=report_objects=1

$(SANITIZE_BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(SANITIZE_BUILD_DIR) -DQUORBELIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
	  "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1"

sanitize-test: deps $(SANITIZE_BUILD_DIR)/CMakeCache.txt
	cmake --build $(SANITIZE_BUILD_DIR) -j$(JOBS)
	$(SANITIZER_ENV) ctest --test-dir $(SANITIZE_BUILD_DIR) --output-on-failure -j$(JOBS)

demo: build
	$(BUILD_DIR)/quorbelin demo

# Benchmarks in a build folder of their own, with the default build's type and
# flags, so they time the code `make` builds; never part of `make test`.
BENCH_BUILD_DIR ?= build-bench
# The peers the benchmark measures against (STK, liquid-dsp) come from
# Debian too; only the benchmark links them. sox is what the tool's default
# run is timed against; python3-numpy runs bench/interpolation_snr.py.
bench-deps: deps
	$(call ensure_packages,$(BENCH_PACKAGES))

bench: bench-deps
	cmake -S . -B $(BENCH_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) -DQUORBELIN_BUILD_BENCH=ON
	cmake --build $(BENCH_BUILD_DIR) -j$(JOBS) --target quorbelin_bench
	$(BENCH_BUILD_DIR)/quorbelin_bench $(BENCH_ARGS)

# libFuzzer targets in their own clang build with the sanitizers; each runs
# FUZZ_SECONDS from its committed seeds (fuzz/corpus/TARGET) into a working
# corpus in the build folder. A crash stops `make fuzz` and leaves its input
# in $(FUZZ_BUILD_DIR)/crashes/.
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_size_query fuzz_method_calls fuzz_simulation fuzz_csv_reader fuzz_matrix_reader
FUZZ_ENV := ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

fuzz-deps:
	$(call ensure_packages,$(FUZZ_PACKAGES))

fuzz: deps fuzz-deps
	cmake -S . -B $(FUZZ_BUILD_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUORBELIN_SANITIZE=ON -DQUORBELIN_BUILD_FUZZ=ON -DQUORBELIN_BUILD_TESTS=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j$(JOBS) --target $(FUZZ_TARGETS)
	@mkdir -p $(FUZZ_BUILD_DIR)/crashes
	@for target in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD_DIR)/corpus/$$target; \
	  echo "== $$target: $(FUZZ_SECONDS) s"; \
	  $(FUZZ_ENV) $(FUZZ_BUILD_DIR)/$$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD_DIR)/crashes/$$target- \
	    $(FUZZ_BUILD_DIR)/corpus/$$target fuzz/corpus/$$target > $(FUZZ_BUILD_DIR)/$$target.log 2>&1; \
	  status=$$?; \
	  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb|SUMMARY|==[0-9]+==ERROR|.*deadly signal|.*Test unit written)' \
	    $(FUZZ_BUILD_DIR)/$$target.log; \
	  echo "   corpus: $$(ls $(FUZZ_BUILD_DIR)/corpus/$$target | wc -l) inputs"; \
	  [ $$status -eq 0 ] || { echo "$$target found a fault (exit $$status); see $(FUZZ_BUILD_DIR)/$$target.log"; exit 1; }; \
	done

# The soak: 10^8 samples through the stand-in host, exact and flat in memory.
soak: deps
	cmake -S . -B $(BENCH_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) -DQUORBELIN_BUILD_BENCH=ON
	cmake --build $(BENCH_BUILD_DIR) -j$(JOBS) --target quorbelin_soak
	$(BENCH_BUILD_DIR)/quorbelin_soak

clean:
	rm -rf $(BUILD_DIR)
