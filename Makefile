# Every target does all the steps it needs from a fresh clone: packages, configure, build.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build test package run screenshots sanitize fuzz bench clean
FUZZ_SECONDS ?= 60

all: build

# A build without the window needs neither Qt nor the packaging tools.
deps:
	scripts/install-deps $(if $(findstring -DVQD_BUILD_GUI=OFF,$(CMAKE_FLAGS)),no-gui,all)

configure: deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# A .deb made from the build the tests ran on (RelWithDebInfo; the package strips the debug
# information), then unpacked and its programs run on the examples.
package: build
	rm -f $(BUILD_DIR)/vqd2zavek_*.deb
	cmake --build $(BUILD_DIR) --target package -j $(JOBS)
	scripts/test-package $(BUILD_DIR)

# The window where there is a display; otherwise the examples through the command line.
run: build
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
		$(BUILD_DIR)/src/app/vqd2zavek; \
	else \
		echo "No display: converting the examples with vqd2zavek-cli instead of opening the window."; \
		scripts/run-examples $(BUILD_DIR); \
	fi

# Pictures of both pages of the window, drawn headless, for the documentation.
screenshots: build
	mkdir -p docs
	$(BUILD_DIR)/tools/window-screenshots examples docs

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer, then the
# engine's and command line's tests with ThreadSanitizer.
sanitize: deps
	cmake -S . -B build-sanitize -DVQD_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS)
	cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && ctest --output-on-failure -j $(JOBS)
	cmake -S . -B build-tsan -DVQD_TSAN=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS) --target vqd_tests vqd_back_tests vqd_cli_tests
	TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/vqd_tests
	TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/back/vqd_back_tests
	TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/app/vqd_cli_tests

# Each fuzz target for FUZZ_SECONDS; a finding fails and is kept in build-fuzz/findings.
fuzz: deps
	scripts/run-fuzzers $(FUZZ_SECONDS) build-fuzz

# The conversions timed against cp on generated tables of 1 and 10 million cells, their files
# checked against a reference build, and the micro-benchmarks. Not part of the tests; inputs and the
# reference build stay in build-bench for the next run.
bench: deps
	scripts/run-bench build-bench

clean:
	rm -rf $(BUILD_DIR) build-sanitize build-tsan build-fuzz
