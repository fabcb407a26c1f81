# The two commands of README.md: `make run` and `make test`.
BUILD  ?= build
JOBS   ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: run test build setup clean bench

run: build
	tools/run.sh $(BUILD)/target

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j1

bench: build
	tools/bench-startup.sh $(BUILD)/target
	tools/bench.sh $(BUILD)/target bench_watcher 60

setup:
	tools/setup.sh

# Three build trees: the host core with its unit tests, the same under sanitizers, and the Windows
# target. One CTestTestfile at the top runs all of their tests in one ctest run.
build: setup
	cmake -S . -B $(BUILD)/host $(CMAKE_FLAGS) >/dev/null
	cmake -S . -B $(BUILD)/asan $(CMAKE_FLAGS) -DORVANE_SANITIZE=ON >/dev/null
	cmake -S . -B $(BUILD)/target $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x64.cmake >/dev/null
	cmake --build $(BUILD)/host -j$(JOBS)
	cmake --build $(BUILD)/asan -j$(JOBS)
	cmake --build $(BUILD)/target -j$(JOBS)
	printf 'subdirs("host")\nsubdirs("asan")\nsubdirs("target")\n' > $(BUILD)/CTestTestfile.cmake

clean:
	rm -rf $(BUILD)
