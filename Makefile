# Thin driver over CMake: the two commands of the README's quick start.
BUILD ?= build
JOBS ?= 2
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=
PREFIX ?=
PACKAGE_BUILD ?= $(BUILD)-package
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps configure build run test install package check-package clean

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

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD)
