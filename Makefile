# The two ways in: `make demo` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build test demo docs asan fuzz clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

# The demo needs the tool and the runner, not the tests.
demo: configure
	@cmake --build $(BUILD) -j$(JOBS) --target vn vnrun
	@scripts/demo $(BUILD)

# Writes docs/functions.md again from the function and variable registries.
docs: configure
	@cmake --build $(BUILD) -j$(JOBS) --target docs_functions
	@$(BUILD)/tests/docs_functions --write docs/functions.md
	@echo "docs: wrote docs/functions.md"

# The unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVN_SANITIZE=ON > /dev/null
	@cmake --build build-asan -j$(JOBS)
	@ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
		UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --test-dir build-asan --output-on-failure -j$(JOBS)

# Builds the fuzz targets with clang and runs each for FUZZ_SECONDS.
FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) build-asan build-fuzz
