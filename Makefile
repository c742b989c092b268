# The two commands a newcomer needs are `make run` and `make test`.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
TSAN_DIR ?= build-tsan
JOBS ?= $(shell nproc)
CMAKE_GENERATOR ?= Ninja
FUZZ_SECONDS ?= 60

.PHONY: all deps build run test test-normal test-asan tsan bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -G $(CMAKE_GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD_DIR)

test: deps test-normal test-asan

test-normal: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 300

test-asan: deps
	@cmake -S . -B $(ASAN_DIR) -G $(CMAKE_GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DLINKWATCH_SANITIZE=address,undefined >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) --timeout 600 -LE no-sanitizer

tsan: deps
	@cmake -S . -B $(TSAN_DIR) -G $(CMAKE_GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DLINKWATCH_SANITIZE=thread >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS)
	@cd $(TSAN_DIR) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS) --timeout 600 -L threaded

bench: build
	@bash scripts/run-benchmarks.sh $(BUILD_DIR)

fuzz: deps
	@bash scripts/fuzz.sh $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(TSAN_DIR) build-fuzz fuzz-out
