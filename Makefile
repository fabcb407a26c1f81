# The two commands of README.md: `make run` and `make test`; `make dist` writes the installer.
BUILD  ?= build
JOBS   ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Seconds each fuzz target runs: briefly in `make test`, as long as asked in `make fuzz`.
FUZZ_SECONDS ?= 600
# Seconds `make bench` watches Orvane connected and hidden for its idle processor time.
BENCH_IDLE_SECONDS ?= 300
# Minutes `make soak` drives the running program (fractions allowed); a seed repeats its steps.
SOAK_MINUTES ?= 60
SOAK_SEED ?=

# Rebuilds reuse earlier compilations when ccache is there (worktrees of one checkout share them).
ifneq ($(shell command -v ccache 2>/dev/null),)
export CMAKE_C_COMPILER_LAUNCHER := ccache
export CMAKE_CXX_COMPILER_LAUNCHER := ccache
export CCACHE_BASEDIR ?= $(CURDIR)
endif

.PHONY: run test build setup clean bench fuzz soak dist

run: build
	tools/run.sh $(BUILD)/target

test: build
	@why=$$(tools/runs-32bit.sh) || echo "note: the shipped 32-bit build's Wine tests (i686.*) are skipped here: $$why"
	ctest --test-dir $(BUILD) --output-on-failure -j1

bench: build
	tools/bench-startup.sh $(BUILD)/target $(BENCH_IDLE_SECONDS)
	tools/bench.sh $(BUILD)/target bench_watcher 60

fuzz: build
	FUZZ_SECONDS=$(FUZZ_SECONDS) tools/fuzz.sh $(BUILD)/fuzz

soak: build
	tools/soak.sh $(BUILD)/target $(SOAK_MINUTES) $(SOAK_SEED)

setup:
	tools/setup.sh

# Five build trees: the host core with its unit tests, the same under sanitizers, the fuzz targets
# (clang, libFuzzer), the tested Windows target (x86_64) and the shipped Windows product (i686,
# checked on every machine, run under 32-bit Wine where the kernel runs 32-bit code). One
# CTestTestfile at the top runs all their tests in one ctest run.
build: setup
	cmake -S . -B $(BUILD)/host $(CMAKE_FLAGS) >/dev/null
	cmake -S . -B $(BUILD)/asan $(CMAKE_FLAGS) -DORVANE_SANITIZE=ON >/dev/null
	cmake -S . -B $(BUILD)/fuzz $(CMAKE_FLAGS) -DORVANE_FUZZ=ON -DCMAKE_C_COMPILER=clang \
	    -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	cmake -S . -B $(BUILD)/target $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x64.cmake >/dev/null
	cmake -S . -B $(BUILD)/i686 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/i686-mingw.cmake >/dev/null
	cmake --build $(BUILD)/host -j$(JOBS)
	cmake --build $(BUILD)/asan -j$(JOBS)
	cmake --build $(BUILD)/fuzz -j$(JOBS)
	cmake --build $(BUILD)/target -j$(JOBS)
	cmake --build $(BUILD)/i686 -j$(JOBS)
	printf 'subdirs("host")\nsubdirs("asan")\nsubdirs("fuzz")\nsubdirs("i686")\nsubdirs("target")\n' \
	    > $(BUILD)/CTestTestfile.cmake

# The shipped package, from the 32-bit product tree: $(BUILD)/dist/Orvane-<version>-win32.msi and
# .zip (stripped copies of the staged program folder). Where the machine runs 32-bit code, the
# package is then installed and run under 32-bit Wine (the smoke and installer tests of that tree);
# elsewhere it says plainly that it was not.
VERSION  := $(shell awk '/^project.Orvane VERSION/ { print $$3 }' CMakeLists.txt)
DIST_DIR := $(abspath $(BUILD))/dist
dist: setup
	cmake -S . -B $(BUILD)/i686 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/i686-mingw.cmake \
	      -DORVANE_DIST_DIR=$(DIST_DIR) >/dev/null
	cmake --build $(BUILD)/i686 -j$(JOBS) --target orvane_dist
	@for f in $(DIST_DIR)/Orvane-$(VERSION)-win32.msi $(DIST_DIR)/Orvane-$(VERSION)-win32.zip; do \
	    printf '%-60s %10s bytes\n' "$$f" "$$(stat -c %s "$$f")"; done
	@if why=$$(tools/runs-32bit.sh); then \
	    cmake --build $(BUILD)/i686 -j$(JOBS) --target e2e_tests winprobe && \
	    ctest --test-dir $(BUILD)/i686 --output-on-failure -R '^i686\.(e2e_smoke|installer\.msi)$$' && \
	    echo "dist: the package was installed, started and driven under 32-bit Wine on this machine"; \
	else \
	    echo "dist: NOT RUN on this machine ($$why): run make dist or make test where 32-bit code runs before shipping it"; \
	fi

clean:
	rm -rf $(BUILD)
