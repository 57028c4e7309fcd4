BUILD      ?= build
ASAN_BUILD ?= build-asan
CMAKE_ARGS ?=

.PHONY: all deps build run test asan-test clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD)

run: build
	$(BUILD)/tarnwick

# Every test: the full build under ctest, then the Qt-free tests again under the sanitizers.
test: build asan-test
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

asan-test: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNWICK_SANITIZE=ON -DTARNWICK_CORE_ONLY=ON >/dev/null
	@cmake --build $(ASAN_BUILD) --target unit_tests
	cd $(ASAN_BUILD) && ctest --output-on-failure -j2

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
