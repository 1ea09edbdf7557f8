# Everything a fresh Debian machine needs: `make test` installs the packages
# the build needs when they are missing, configures, builds and runs every
# test; `make demo` does the same for the command-line demo.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

BUILD_PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
                  libcli11-dev libsndfile1-dev gnuplot-nox
BENCH_PACKAGES := libstk-dev libliquid-dev valgrind
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

.PHONY: all deps build test demo bench fuzz clean

all: build

deps:
	$(call ensure_packages,$(BUILD_PACKAGES))

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS)

demo: build
	$(BUILD_DIR)/quorbelin demo

# Benchmarks in their own optimised build; never part of `make test`.
BENCH_BUILD_DIR ?= build-bench
bench: deps
	cmake -S . -B $(BENCH_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DQUORBELIN_BUILD_BENCH=ON
	cmake --build $(BENCH_BUILD_DIR) -j$(JOBS) --target quorbelin_bench
	$(BENCH_BUILD_DIR)/quorbelin_bench $(BENCH_ARGS)

clean:
	rm -rf $(BUILD_DIR)
