# make run   builds the program and runs one check of the shipped exe on the sample store
# make test  builds everything and runs every test, the shipped exe's included
# make bench measures the check against its floor (a do-nothing exe and its log lines)
# make dist  the release: build/dist/Tarnwick-<version>.zip, once the shipped
#            exe has passed its file checks and its own suite
#
# Each installs what a fresh Debian machine is missing (as root, or via sudo)
# and create the Wine prefixes under build/.

SHELL := /bin/bash
PACKAGES := cmake ninja-build g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest \
            wine wine64 fonts-wine xvfb imagemagick fonts-ipafont-gothic locales \
            qemu-user gcc zip
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: all deps locale build test run bench dist format clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing:$$missing"; \
	    $(SUDO) apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
	@dpkg-query -W -f='$${Status}' wine32 2>/dev/null | grep -q 'ok installed' && \
	    echo "note: wine32 is installed; the scripts call /usr/lib/wine/wine64 directly" || true
	@$(MAKE) --no-print-directory locale

# Wine reads file names and arguments in the locale's character set: the
# Japanese locale must exist in glibc too, not only be named.
locale:
	@locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$$' || \
	    $(SUDO) localedef -i ja_JP -f UTF-8 ja_JP.UTF-8

build: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32
	cmake --preset win64 >/dev/null
	cmake --build --preset win64
	cmake --preset win32-tests >/dev/null
	cmake --build --preset win32-tests

test: build
	scripts/run-tests.sh

run: build
	scripts/run-sample.sh

bench: build
	scripts/bench.sh

# The exe in the zip is the one these tests have just passed.
dist: build
	scripts/run-tests.sh -R '^(ShippedExe|shipped32|unit32)\.'
	scripts/dist.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
