# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build run test install deb clean

all: build

deps:
	@scripts/deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target dravik dravik-tool
	@scripts/run-display $(BUILD)/dravik

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# `make install PREFIX=/usr/local DESTDIR=`: the programs, manual pages, desktop entry, icons and
# README under PREFIX (inside DESTDIR when given).
PREFIX ?= /usr/local
install: configure
	@cmake --build $(BUILD) -j $(JOBS) --target dravik dravik-tool dravik-install-files
	@DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# `make deb`: build/dravik_VERSION_amd64.deb from a Release build of its own.
deb: deps
	@cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
		-DDRAVIK_PACKAGE=ON -DDRAVIK_TESTS=OFF -DDRAVIK_BENCH=OFF >/dev/null
	@cmake --build build-deb -j $(JOBS)
	@cd build-deb && cpack -G DEB >/dev/null
	@mkdir -p $(BUILD)
	@cp build-deb/dravik_*_amd64.deb $(BUILD)/
	@ls $(BUILD)/dravik_*_amd64.deb

clean:
	rm -rf $(BUILD) build-san build-fuzz build-rel build-tsan build-deb
