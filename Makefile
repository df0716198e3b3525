# make test : installs missing Debian packages, builds every preset, runs
#             every test (native, sanitizers + 10 s fuzz smoke runs, win64
#             under Wine, the shipped i686 build under 32-bit Wine).
# make fuzz : builds the asan preset and runs each fuzzer for FUZZ_SECONDS
#             (default 600) from the seeds and the corpus kept so far.
# make run  : installs missing packages, builds win64, runs QuorvantisSetup.exe
#             under Wine (headless without a display: driven, screenshots in
#             build/screenshots/, summary).
# make package PAYLOAD=<folder> [VERSION=<major.minor>] [MAKER="..."]
#             [MAKER_URL=...] [MAKER_URL2=...] [REPRODUCIBLE=1]
#           : the shipped i686 installer for that folder, in
#             dist/QuorvantisSetup.exe (scripts/package.sh).
PRESETS := native asan win64 win32 win32-tests
JOBS ?= $(shell nproc)

.PHONY: all deps build test fuzz run package clean $(addprefix build-,$(PRESETS))

all: build

deps:
	@scripts/install-deps.sh

build: deps $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%: deps
	@test -f build/$*/build.ninja || cmake --preset $* --fresh
	@echo "=== build $* ($$(date -u +%H:%M:%S) UTC)"
	cmake --build --preset $* -j$(JOBS)

test: build
	@scripts/run-tests.sh

FUZZ_SECONDS ?= 600
fuzz: build-asan
	FUZZ_SECONDS=$(FUZZ_SECONDS) ctest --preset asan -L fuzz --output-on-failure

run: deps
	@JOBS=$(JOBS) scripts/run-installer.sh

package: deps
	@test -n "$(PAYLOAD)" || { echo "make package: give PAYLOAD=<folder of your product>"; exit 2; }
	@VERSION="$(VERSION)" MAKER="$(MAKER)" MAKER_URL="$(MAKER_URL)" MAKER_URL2="$(MAKER_URL2)" \
	  REPRODUCIBLE="$(REPRODUCIBLE)" JOBS=$(JOBS) \
	  scripts/package.sh win32 "$(PAYLOAD)" dist/QuorvantisSetup.exe

clean:
	rm -rf build
