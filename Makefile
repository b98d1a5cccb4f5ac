# Glimmora: the two commands a newcomer needs are `make run` and `make test`.
# Each installs what is missing (Debian 12, as root), then builds.

SHELL := /bin/bash
.ONESHELL:
.SHELLFLAGS := -eu -o pipefail -c
JOBS ?= $(shell nproc)

.PHONY: all deps build build-windows build-native build-clang test test-native test-windows \
	check-reproducible dist run run-desktop bench screenshots clean format

all: build

deps:
	@scripts/install-deps.sh

build-windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

build-native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

# The program once more with clang, for its warnings (as errors); no tests.
build-clang: deps
	cmake --preset windows-clang >/dev/null
	cmake --build --preset windows-clang -j $(JOBS)

# The program: build/windows/Glimmora.exe
build: build-windows

# The downloads, build/dist/Glimmora-<version>.zip and Glimmora-<version>-setup.exe, and
# build/dist/SHA256SUMS, from a build of its own (build/release).
dist: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

# The downloads built twice, in two folders, must come out the same byte for byte.
check-reproducible: deps
	scripts/check-reproducible.sh

test-native: build-native
	ctest --preset native -j $(JOBS)

# Windows unit, integration and end-to-end tests, run through Wine on a private X display; the
# multi-monitor end-to-end tests start a session of their own from within.
test-windows: build-windows
	scripts/wine-session.sh ctest --preset windows

# Native first (fast); the Windows run comes last, so its summary ends the output.
test: test-native build-clang check-reproducible test-windows

# With $DISPLAY set, in a 1024x768 virtual desktop window on that display; without, on a private
# Xvfb.
run: build-windows
	scripts/run.sh

# On the own desktop of $DISPLAY (a Wine prefix without a virtual desktop): the tray icon docks
# in that desktop's tray.
run-desktop: build-windows
	GLIMMORA_OWN_DESKTOP=1 scripts/run.sh

# Figures of the concealment tick under Wine (ours against the literal tick, the raise check, the
# thread timer's rate, and the program's CPU share on a still and on a moving picture, and while
# it repairs every defect), then the native micro-benchmarks of the colour arithmetic.
bench: build-windows
	scripts/wine-session.sh bash -c 'wine build/windows/bench/windows/tick_bench.exe && wine build/windows/bench/windows/timer_bench.exe && bench/cpu.sh && bench/moving.sh && bench/repair.sh'
	cmake -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
	cmake --build build/bench-native --target solver_bench
	build/bench-native/bench/solver_bench

# Pictures of every window under Wine, in build/screenshots/ (the README's come from here).
screenshots: build-windows
	rm -rf build/screenshots && mkdir -p build/screenshots
	GLIMMORA_EXE=$(CURDIR)/build/windows/Glimmora.exe scripts/wine-session.sh \
		wine build/windows/tests/e2e/screenshots.exe $(CURDIR)/build/screenshots
	for f in build/screenshots/*.bmp; do convert "$$f" "$${f%.bmp}.png" && rm "$$f"; done
	@echo "Screenshots: build/screenshots/"

clean:
	rm -rf build

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i
