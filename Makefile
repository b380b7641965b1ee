# Thin driver over CMake: the two commands of the README's quick start.
BUILD ?= build
JOBS ?= 2
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=
PREFIX ?=

.PHONY: deps configure build run test install package clean

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@$(BUILD)/bin/qvl backup quorvel-backup.qvl

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# PREFIX=DIR installs there; without it, into the configured prefix (/usr/local).
install: build
	@cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

# quorvel_VERSION_amd64.deb in $(BUILD)/.
package: build
	@cd $(BUILD) && cpack

clean:
	rm -rf $(BUILD)
