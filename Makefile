# The two set-up commands: `make run` builds the engine and starts it, `make test` builds and runs
# every test, in the Release build, under AddressSanitizer with UndefinedBehaviorSanitizer, and the
# threaded tests under ThreadSanitizer.
JOBS ?= $(shell nproc)
SOURCES := $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)

.PHONY: all release asan tsan run test test-release test-asan test-tsan fuzz fuzz-build format \
	format-check windows test-windows arm arm64 armhf test-arm test-arm64 test-armhf static dist \
	mutants

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

# The Windows engine and tool, cross-built with MinGW-w64 (Debian's g++-mingw-w64-x86-64-posix)
# into build/windows/tarnwick.exe and tarnwick-tool.exe, with the Release build's optimisation.
windows:
	cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
	cmake --build build/windows -j $(JOBS)

# The engine and tool for ARM Linux, cross-built with Debian's g++-aarch64-linux-gnu into
# build/arm64 (64-bit) and g++-arm-linux-gnueabihf into build/armhf (32-bit ARMv7 with hardware
# floating point), statically linked and with the Release build's optimisation.
TOOLCHAIN_arm64 := aarch64-linux-gnu
TOOLCHAIN_armhf := arm-linux-gnueabihf

arm: arm64 armhf

arm64 armhf:
	cmake -S . -B build/$@ -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=cmake/$(TOOLCHAIN_$@).cmake
	cmake --build build/$@ -j $(JOBS)

# The endgame file is rebuilt only when it is missing or the tool that writes it has changed: the
# tool's empty rule lets make compare the binary's time after the build has run. The file is
# written under a temporary name first so that an interrupted build leaves no half file behind.
build/release/tarnwick-tool: release ;

build/release/Endgame.bin: build/release/tarnwick-tool
	build/release/tarnwick-tool egtb build $@.tmp
	mv $@.tmp $@

run: release build/release/Endgame.bin
	cd build/release && ./tarnwick

test: format-check test-release test-asan test-tsan

test-release: release
	ctest --test-dir build/release --output-on-failure -j $(JOBS)

test-asan: asan
	ctest --test-dir build/asan --output-on-failure -j $(JOBS)

test-tsan: tsan
	ctest --test-dir build/tsan --output-on-failure -j $(JOBS) -R '^(channel|end_to_end)[.]'

# The tests a cross-build runs: the native test programs of build/release pointed at its engine
# and tool: every end-to-end test, the bench signature, perft and the endgame tool.
CROSS_TESTS := ^(end_to_end|search[.]BenchSignature|eval[.]ToolCommands|board[.]PerftTool)[.]

# The Windows build under Wine (Debian's wine64, whose loader is not on the PATH), tested by the
# native test programs of build/release pointed at it. The real allocation failure under
# `ulimit -v` is tried on the native engine only: Wine itself cannot start within such a limit.
# Wine gets a prefix of its own, set up once (its first start takes a while); every line the
# programs write must end in CR LF.
WINE ?= /usr/lib/wine/wine64
WINESERVER ?= /usr/lib/wine/wineserver
WINE_ENV := WINEPREFIX=$(CURDIR)/build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=

build/wine-prefix/system.reg:
	$(WINE_ENV) $(WINE) wineboot --init
	$(WINE_ENV) $(WINESERVER) --wait

# The Wine server is kept running for the whole run: one that exits while the next engine starts
# resets that engine's connection ("wine client error"), which ends it with status 1. The first
# program a new server runs starts Wine's background services, which keep that program's output
# open until the server ends: a run of the tool with its output to /dev/null takes that part, so
# that no test waits for the end of an output that never comes.
test-windows: release windows build/wine-prefix/system.reg
	$(WINE_ENV) $(WINESERVER) -p
	$(WINE_ENV) $(WINE) $(CURDIR)/build/windows/tarnwick-tool.exe perft 1 </dev/null >/dev/null 2>&1; \
	$(WINE_ENV) TARNWICK_LINE_END=crlf \
		TARNWICK_ENGINE="$(WINE) $(CURDIR)/build/windows/tarnwick.exe" \
		TARNWICK_TOOL="$(WINE) $(CURDIR)/build/windows/tarnwick-tool.exe" \
		ctest --test-dir build/release --output-on-failure -j $(JOBS) -R '$(CROSS_TESTS)'; \
		status=$$?; $(WINE_ENV) $(WINESERVER) -k; exit $$status

# The ARM builds under Debian's qemu-user, tested as the Windows build is, the real allocation
# failure under `ulimit -v` again left to the native engine (qemu-arm cannot even reserve its
# guest's 4 GiB of address space within the limit). The two run side by side, each report in one
# piece: their longest tests spend their time waiting for the engine's replies, not computing.
QEMU_arm64 ?= /usr/bin/qemu-aarch64
QEMU_armhf ?= /usr/bin/qemu-arm

test-arm: release arm
	$(MAKE) --no-print-directory -j 2 --output-sync=target test-arm64 test-armhf

test-arm64 test-armhf: test-%: release %
	TARNWICK_ENGINE="$(QEMU_$*) $(CURDIR)/build/$*/tarnwick" \
		TARNWICK_TOOL="$(QEMU_$*) $(CURDIR)/build/$*/tarnwick-tool" \
		ctest --test-dir build/release --output-on-failure -j $(JOBS) -R '$(CROSS_TESTS)'

# A static x86-64 Linux engine for the packages, as the ARM ones are: it runs on any x86-64 Linux
# whatever C library it has, and its Debian package depends on no other.
static:
	cmake -S . -B build/static -DCMAKE_BUILD_TYPE=Release -DTARNWICK_TESTS=OFF \
		-DCMAKE_EXE_LINKER_FLAGS=-static
	cmake --build build/static -j $(JOBS)

# The packages for users, in build/dist: a zip for Windows, a tar.gz and a Debian package for each
# Linux target, with stripped executables, each checked (packaging/make-packages). The version
# is the one the engine announces in its `uci` reply.
dist: release static windows arm build/release/Endgame.bin
	packaging/make-packages

# The libFuzzer targets of fuzz/, built with clang into build/fuzz and each run for FUZZ_SECONDS
# from its committed seed corpus (fuzz/corpus/NAME, read only) plus the inputs it found before
# (build/fuzz/corpus/NAME, where new ones go). A crash, leak, hang or failed check stops make and
# leaves the input in build/fuzz/crash-*, leak-* or timeout-*. Run longer locally with, for
# example, `make fuzz FUZZ_SECONDS=3600`.
FUZZ_SECONDS ?= 60
FUZZERS := input_fuzzer position_fuzzer

fuzz-build:
	cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DTARNWICK_FUZZ=ON
	cmake --build build/fuzz -j $(JOBS)

fuzz: fuzz-build build/release/Endgame.bin
	cp build/release/Endgame.bin build/fuzz/Endgame.bin
	set -e; for name in $(FUZZERS); do \
		mkdir -p build/fuzz/corpus/$$name; \
		cd build/fuzz; \
		./$$name -max_total_time=$(FUZZ_SECONDS) -timeout=20 -max_len=20000 \
			-dict=../../fuzz/uci.dict -artifact_prefix=./ -print_final_stats=1 \
			corpus/$$name ../../fuzz/corpus/$$name; \
		cd ../..; \
	done

# How many one-line faults of tools/mutants.txt the Release tests catch (tools/mutation-check;
# about an hour on two cores). MUTANTS="board-03 eval-11" runs only those.
mutants:
	tools/mutation-check $(if $(MUTANTS),--only $(MUTANTS))

format:
	clang-format -i $(SOURCES)

format-check:
	clang-format --dry-run -Werror $(SOURCES)
