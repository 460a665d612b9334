# Entry points; the real work is in scripts/ and CMake.
.PHONY: setup build build-linux build-windows build-release test run gui screenshots bench fuzz dist clean

JOBS ?= $(shell nproc)

setup:
	@scripts/setup

build: build-linux build-windows

build-linux: setup
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j $(JOBS)

build-release: setup
	@cmake --preset linux-release >/dev/null
	@cmake --build --preset linux-release -j $(JOBS)

build-windows: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j $(JOBS)

test: build
	@scripts/run_tests

run: build-linux
	@scripts/run_main_job

# The window under Wine on the current display (real servers), or with the
# stand-in servers: make gui STANDIN=1
gui: build-windows
	@scripts/gui $(if $(STANDIN),--standin)

screenshots: build-windows
	@scripts/screenshots

bench: build-release
	@scripts/bench

fuzz: setup
	@scripts/fuzz long

dist: build-windows
	@scripts/dist

clean:
	rm -rf build
