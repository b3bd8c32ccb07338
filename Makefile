# Every target does all the steps it needs from a fresh clone: packages, configure, build.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build test package run screenshots sanitize format-check fuzz bench clean \
	windows windows-reference windows-test windows-zip windows-msi windows-screenshots mutate
FUZZ_SECONDS ?= 60
MUTATE ?= src
MUTATE_COUNT ?= 300
MUTATE_SEED ?= 1
WINDOWS_DIR ?= build-windows
WINDOWS_REFERENCE = $(WINDOWS_DIR)/linux-reference

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
# engine's and command line's tests with ThreadSanitizer (the conversions use several threads).
sanitize: deps
	cmake -S . -B build-sanitize -DVQD_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS)
	cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && ctest --output-on-failure -j $(JOBS)
	cmake -S . -B build-tsan -DVQD_TSAN=ON -DVQD_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS) --target vqd_tests vqd_back_tests
	TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/vqd_tests
	TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/back/vqd_back_tests

# Every C++ file laid out as .clang-format says; a file that differs is named and fails.
format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# Each fuzz target for FUZZ_SECONDS; a finding fails and is kept in build-fuzz/findings.
fuzz: deps
	scripts/run-fuzzers $(FUZZ_SECONDS) build-fuzz

# The conversions timed against cp on generated tables of 1 and 10 million cells, their files
# checked against a reference build, and the micro-benchmarks. Not part of the tests; inputs and the
# reference build stay in build-bench for the next run.
bench: deps
	scripts/run-bench build-bench

# Faults planted one at a time into a copy of the sources in build-mutate, each tried against the
# tests that can see it: the share caught per folder of src/ and the faults no test caught. Not part
# of the tests; MUTATE names a folder or file under src/, MUTATE_COUNT how many faults to try.
mutate: deps
	scripts/mutate $(MUTATE) --count $(MUTATE_COUNT) --seed $(MUTATE_SEED) --jobs $(JOBS)

# Windows: the window, the command line and their tests cross-built with MinGW-w64 into
# build-windows: vqd2zavek.exe and vqd2zavek-cli.exe, which need no DLL beside them. Qt for
# Windows is made once per machine from Debian's source (about an hour), or unpacked from a
# prebuilt copy in ../shared; WINDOWS_GUI=OFF leaves the window out and needs no Qt.
WINDOWS_GUI ?= ON
windows:
	scripts/install-deps windows
ifeq ($(WINDOWS_GUI),ON)
	scripts/build-qt-windows >/dev/null
endif
	cmake -S . -B $(WINDOWS_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DVQD_BUILD_GUI=$(WINDOWS_GUI) -DCMAKE_PREFIX_PATH=$(shell scripts/build-qt-windows --prefix) \
		$(CMAKE_FLAGS)
	cmake --build $(WINDOWS_DIR) -j $(JOBS)

# This system's command line, whose files the Windows one must equal byte for byte.
windows-reference: windows
	cmake -S . -B $(WINDOWS_REFERENCE) -DVQD_BUILD_GUI=OFF -DVQD_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(WINDOWS_REFERENCE) -j $(JOBS) --target vqd2zavek-cli
	cmake $(WINDOWS_DIR) -DVQD_REFERENCE_CLI=$(abspath $(WINDOWS_REFERENCE))/src/app/vqd2zavek-cli

# The tests under Wine (in a Wine prefix in build-windows), and the README's worked examples
# converted by the .exe, every file compared with this system's.
windows-test: windows-reference
	cd $(WINDOWS_DIR) && ctest --output-on-failure -j $(JOBS)

# The release archive, vqd2zavek-VERSION-windows-x86_64.zip in build-windows, then checked: what
# it holds, and that its programs convert the README's examples to the same bytes.
windows-zip: windows-reference
	rm -f $(WINDOWS_DIR)/vqd2zavek-*-windows-x86_64.zip
	cmake --build $(WINDOWS_DIR) --target package
	scripts/test-windows-zip $(WINDOWS_DIR)

# The installer, vqd2zavek-VERSION-windows-x86_64.msi in build-windows, made with wixl, then
# checked: its tables list what they should, and under Wine it installs and uninstalls cleanly.
windows-msi: windows
	scripts/make-windows-msi $(WINDOWS_DIR)
	scripts/test-windows-msi $(WINDOWS_DIR)

# Pictures of vqd2zavek.exe under Wine, as on Windows, for the README: docs/windows.
windows-screenshots: windows
	scripts/windows-screenshots $(WINDOWS_DIR) docs/windows

clean:
	rm -rf $(BUILD_DIR) build-sanitize build-tsan build-fuzz build-mutate $(WINDOWS_DIR)
