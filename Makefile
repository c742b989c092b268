# The two commands a newcomer needs are `make run` and `make test`.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
TSAN_DIR ?= build-tsan
JOBS ?= $(shell nproc)
CMAKE_GENERATOR ?= Ninja
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local
DESTDIR ?=

# What `make run` starts, and what `make install` and `make package` ship.
PROGRAM_TARGETS := linkwatch linkwatch-cli
INSTALL_TARGETS := $(PROGRAM_TARGETS) linkwatch-man
CONFIGURE := cmake -S . -G $(CMAKE_GENERATOR)
RELEASE := -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps deps-run deps-package build run install package test test-normal test-asan tsan bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh test

deps-run:
	@bash scripts/install-deps.sh run

deps-package:
	@bash scripts/install-deps.sh package

# Everything, tests included; `make test` completes the same folder `make run` started.
build: deps
	@$(CONFIGURE) -B $(BUILD_DIR) $(RELEASE) -DLINKWATCH_TESTS=ON >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Builds only the two programs, then starts the window in run/.
run: deps-run
	@$(CONFIGURE) -B $(BUILD_DIR) $(RELEASE) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target $(PROGRAM_TARGETS)
	@bash scripts/run.sh $(BUILD_DIR)

# make install [PREFIX=/usr/local] [DESTDIR=staging folder]
install: deps-run
	@$(CONFIGURE) -B $(BUILD_DIR) $(RELEASE) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target $(INSTALL_TARGETS)
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# The Debian package lands in $(BUILD_DIR)/package/.
package: deps-package
	@$(CONFIGURE) -B $(BUILD_DIR) $(RELEASE) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target $(INSTALL_TARGETS)
	@cd $(BUILD_DIR) && cpack -G DEB -B "$(abspath $(BUILD_DIR))/package"

test: deps test-normal test-asan

test-normal: build
	@cd $(BUILD_DIR) && ctest --output-on-failure --no-tests=error -j $(JOBS) --timeout 300

test-asan: deps
	@$(CONFIGURE) -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DLINKWATCH_SANITIZE=address,undefined -DLINKWATCH_TESTS=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
		ctest --output-on-failure --no-tests=error -j $(JOBS) --timeout 600 -LE no-sanitizer

tsan: deps
	@$(CONFIGURE) -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DLINKWATCH_SANITIZE=thread -DLINKWATCH_TESTS=ON >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS)
	@cd $(TSAN_DIR) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure --no-tests=error -j $(JOBS) --timeout 600 -L threaded

bench: build
	@bash scripts/run-benchmarks.sh $(BUILD_DIR)

fuzz: deps
	@bash scripts/fuzz.sh $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(TSAN_DIR) build-fuzz fuzz-out
