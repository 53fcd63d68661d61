# The two ways in: `make demo` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build test demo asan fuzz clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) > /dev/null
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

demo: build
	@scripts/demo $(BUILD)

# The unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVN_SANITIZE=ON > /dev/null
	@cmake --build build-asan -j$(JOBS)
	@ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --test-dir build-asan --output-on-failure -j$(JOBS)

# Builds the fuzz targets with clang and runs each for FUZZ_SECONDS.
FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) build-asan build-fuzz
