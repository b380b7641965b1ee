# Thin driver over CMake: the two commands of the README's quick start.
BUILD ?= build
JOBS ?= 2
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=
PREFIX ?=
PACKAGE_BUILD ?= $(BUILD)-package
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

WINDOWS_BUILD ?= build-windows

.PHONY: deps configure build run test install package check-package clean windows windows-test windows-package

deps:
	@bash scripts/install-deps

configure: deps
	@$(CONFIGURE) -DQUORVEL_GUI=ON -DBUILD_TESTING=ON $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Builds qvl and the demo profile's maker alone, then shows a backup, a check, a
# listing and a restore of a demo profile in $(BUILD)/quorvel-demo (scripts/demo). A
# fresh build folder is set up without the window and the tests, so nothing else
# is installed or compiled; an existing one keeps its settings.
run:
	@bash scripts/install-deps qvl
	@$(CONFIGURE) $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DQUORVEL_GUI=OFF -DBUILD_TESTING=OFF) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target qvl quorvel_demo_profile
	@bash scripts/demo $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# PREFIX=DIR installs there; without it, into the configured prefix (/usr/local).
install: build
	@cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

# quorvel_VERSION_amd64.deb in $(BUILD)/, built in $(PACKAGE_BUILD) with the flags
# of dpkg-buildflags, every hardening feature on (packaging/build-package).
package: deps
	@bash packaging/build-package $(BUILD) $(PACKAGE_BUILD) $(CMAKE_FLAGS)

# lintian --pedantic and hardening-check on that package (packaging/check-package).
check-package: package
	@bash packaging/check-package $(BUILD)/quorvel_*.deb

# qvl.exe, quorvel.exe and the Windows tests, cross-built with mingw-w64 into $(WINDOWS_BUILD)/:
# scripts/windows-deps installs the tools and builds the libraries once into a
# cache outside the tree, and prints where. Release: without debug information
# the build takes half the time, and qvl.exe a tenth of the room.
windows:
	@prefix=$$(bash scripts/windows-deps | tail -n 1) && \
	  cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	    -DQUORVEL_WINDOWS_DEPS="$$prefix" -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WINDOWS_BUILD) -j$(JOBS)

# The Windows tests under Wine, in a Wine prefix of their own below the build folder.
windows-test: windows
	@bash scripts/windows-test $(WINDOWS_BUILD)

# The Windows installer (quorvel-VERSION.msi: per user, no administrator rights)
# and a portable quorvel-VERSION-windows-x64.zip, in $(WINDOWS_BUILD)/.
windows-package: windows
	@bash scripts/windows-package $(WINDOWS_BUILD)

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD) $(WINDOWS_BUILD)
