# The two set-up commands: `make run` builds the engine and starts it, `make test` builds and runs
# every test, in the Release build, under AddressSanitizer with UndefinedBehaviorSanitizer, and the
# threaded tests under ThreadSanitizer.
JOBS ?= $(shell nproc)
SOURCES := $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)

.PHONY: all release asan tsan run test test-release test-asan test-tsan format format-check

all: release

release:
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
	cmake --build build/release -j $(JOBS)

asan:
	cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_SANITIZE=address,undefined
	cmake --build build/asan -j $(JOBS)

tsan:
	cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_SANITIZE=thread
	cmake --build build/tsan -j $(JOBS)

build/release/Endgame.bin: release
	build/release/tarnwick-tool egtb build build/release/Endgame.bin

run: release build/release/Endgame.bin
	cd build/release && ./tarnwick

test: format-check test-release test-asan test-tsan

test-release: release
	ctest --test-dir build/release --output-on-failure -j $(JOBS)

test-asan: asan
	ctest --test-dir build/asan --output-on-failure -j $(JOBS)

test-tsan: tsan
	ctest --test-dir build/tsan --output-on-failure -j $(JOBS) -R '^(channel|end_to_end)[.]'

format:
	clang-format -i $(SOURCES)

format-check:
	clang-format --dry-run -Werror $(SOURCES)
