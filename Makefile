# Front door: `make run`, `make test`, `make bench`, `make windows`.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 20

.PHONY: all deps linux linux-asan fuzz test test-linux test-asan test-fuzz test-windows run bench \
        windows windows-configure check-windows-examples clean

all: linux

deps:
	scripts/install-deps core

linux: deps
	cmake --preset linux >/dev/null
	cmake --build --preset linux -j $(JOBS)

linux-asan: deps
	cmake --preset linux-asan >/dev/null
	cmake --build --preset linux-asan -j $(JOBS)

fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

test-linux: linux
	ctest --preset linux -j $(JOBS)

test-asan: linux-asan
	ctest --preset linux-asan -j $(JOBS)

test-fuzz: fuzz
	scripts/fuzz-smoke build/fuzz $(FUZZ_SECONDS)

test: test-linux test-asan test-fuzz check-windows-examples

run: linux
	scripts/run-examples build/linux

bench: linux
	scripts/install-deps bench
	bench/run build/linux

# Windows: MinGW-w64 cross build with a static libzip made from Debian's source package; the
# tests and the examples run under wine (the window tests bring their own virtual display).

windows-configure: deps
	scripts/install-deps windows
	scripts/build-libzip-mingw
	cmake --preset windows >/dev/null

windows: windows-configure
	cmake --build --preset windows -j $(JOBS)

test-windows: windows linux
	ctest --preset windows -j $(JOBS)
	scripts/check-windows-examples build/windows build/linux

# The examples converted by ledgerine-cli.exe under wine give the same bytes as on Linux.
check-windows-examples: windows-configure linux
	cmake --build --preset windows -j $(JOBS) --target ledgerine-cli
	scripts/check-windows-examples build/windows build/linux

clean:
	rm -rf build
