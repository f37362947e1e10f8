# The two commands a newcomer needs:
#   make test   installs what is missing, builds, runs every test suite under Wine
#   make run    installs what is missing, builds the program, starts it on a sample image
#               (make run IMAGE=/path/to/disk.img: on that image instead)
#   make screenshot  the README's picture of the main window (app/res/screenshot.png)
#   make bench  builds, times painting against a plain painter, makes a 64 GiB sparse GPT disk
#               once, times its open and scan, then search, save and load of a 2 GiB image
#               (make bench BENCH="--size 1G"; make bench BENCH=paint for the painting alone)
#   make fuzz   a million damaged sectors through the scan and every structure printer
#               (make fuzz FUZZ="20000 7": that many sectors, seed 7)
BUILD ?= build
JOBS  ?= $(shell nproc)
BENCH ?=
FUZZ  ?=
IMAGE ?=

.PHONY: all setup configure build test run bench fuzz clean

all: build

setup:
	@sh cmake/setup-deps.sh

$(BUILD)/build.ninja:
	@$(MAKE) --no-print-directory setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake

configure: setup $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	@sh cmake/run-tests.sh $(BUILD)

# Only the program itself is built for a run, not the test suites.
run: configure
	cmake --build $(BUILD) --target Sektorlupe -j $(JOBS)
	@sh cmake/run-program.sh $(BUILD) "$(IMAGE)"

screenshot: build
	@sh cmake/screenshot.sh $(BUILD) app/res/screenshot.png

bench: build
	@sh bench/run-bench.sh $(BUILD) $(BENCH)

fuzz: configure
	@sh tests/fuzz/run-fuzz.sh $(BUILD) $(FUZZ)

clean:
	rm -rf $(BUILD)
