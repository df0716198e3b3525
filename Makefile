# make test : installs missing Debian packages, builds every preset, runs
#             every test (native, sanitizers + fuzz smoke, win64 under Wine).
# make run  : (comes with the installer) builds and runs QuorvantisSetup.exe
#             under Wine.
PRESETS := native asan win64 win32
JOBS ?= $(shell nproc)

.PHONY: all deps build test clean $(addprefix build-,$(PRESETS))

all: build

deps:
	@scripts/install-deps.sh

build: deps $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%: deps
	@test -f build/$*/CMakeCache.txt || cmake --preset $*
	cmake --build --preset $* -j$(JOBS)

test: build
	@scripts/run-tests.sh

clean:
	rm -rf build
