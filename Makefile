# The two commands a newcomer needs:
#   make test   installs what is missing, builds, runs every test suite under Wine
#   make run    installs what is missing, builds, starts Sektorlupe on a sample image
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all setup configure build test run clean

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

run: build
	@sh cmake/run-program.sh $(BUILD)

clean:
	rm -rf $(BUILD)
