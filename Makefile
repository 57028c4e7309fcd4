BUILD      ?= build
ASAN_BUILD ?= build-asan
WINDOWS_BUILD ?= build-windows
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_SHORT_SECONDS ?= 10
CMAKE_ARGS ?=

.PHONY: all deps laravel10 build run test asan-test windows-test fuzz-build fuzz fuzz-test clean

all: build

deps:
	@scripts/install-deps

# Laravel 10 for the end-to-end tests' second run, fetched once into a cache.
laravel10: deps
	@scripts/fetch-laravel10 >/dev/null

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD)

run: build
	$(BUILD)/tarnwick

# Every test: the full build under ctest, the Qt-free and window tests again under the
# sanitizers, the Qt-free library cross-built for Windows with its tests under wine, and a
# short run of each fuzz target over its corpus.
test: build laravel10 asan-test windows-test fuzz-test
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

# The Qt-free tests and the window tests under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer.
asan-test: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNWICK_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) --target unit_tests ui_tests
	cd $(ASAN_BUILD) && ./unit_tests --gtest_brief=1
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ./ui_tests --gtest_brief=1

# The Qt-free library and its tests built for 64-bit Windows, the tests run under wine.
# libvterm is compiled from the source of the machine's own version, fetched once into a cache.
windows-test: deps
	@vterm=$$(scripts/fetch-libvterm-source) && \
	  cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=platform/MinGW64Toolchain.cmake \
	    -DTARNWICK_VTERM_SOURCE="$$vterm" >/dev/null
	@grep -q '^TARNWICK_QT_MINGW:PATH=' $(WINDOWS_BUILD)/CMakeCache.txt && \
	  qt=$$(sed -n 's/^TARNWICK_QT_MINGW:PATH=//p' $(WINDOWS_BUILD)/CMakeCache.txt) && \
	  [ -f "$$qt/lib/cmake/Qt6/Qt6Config.cmake" ] || \
	  echo "Skipped the Windows window build: no Qt for mingw was found (scripts/build-qt6-mingw builds it, once, in about an hour)."
	@cmake --build $(WINDOWS_BUILD) -j2
	cd $(WINDOWS_BUILD) && ctest --output-on-failure

# The fuzz targets (tests/fuzz), built with clang and libFuzzer.
fuzz-build: deps
	@cmake -S tests/fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD) -j2

# A campaign: each target for FUZZ_SECONDS, growing the corpus in $(FUZZ_BUILD)/corpus.
fuzz: fuzz-build
	tests/fuzz/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS) campaign

# The short run of make test: each target for FUZZ_SHORT_SECONDS over its seeds.
fuzz-test: fuzz-build
	tests/fuzz/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SHORT_SECONDS) short

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WINDOWS_BUILD) $(FUZZ_BUILD)
