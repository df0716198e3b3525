# make test : installs missing Debian packages, builds every preset, runs
#             every test (native, sanitizers + fuzz smoke, win64 under Wine,
#             the shipped i686 build under 32-bit Wine).
# make run  : installs missing packages, builds win64, runs QuorvantisSetup.exe
#             under Wine (headless without a display: driven, screenshots in
#             build/screenshots/, summary).
PRESETS := native asan win64 win32 win32-tests
JOBS ?= $(shell nproc)

.PHONY: all deps build test run clean $(addprefix build-,$(PRESETS))

all: build

deps:
	@scripts/install-deps.sh

build: deps $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%: deps
	@test -f build/$*/CMakeCache.txt || cmake --preset $*
	cmake --build --preset $* -j$(JOBS)

test: build
	@scripts/run-tests.sh

run: deps
	@JOBS=$(JOBS) scripts/run-installer.sh

clean:
	rm -rf build
