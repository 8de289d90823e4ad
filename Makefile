# The two commands of the README:
#   make run    install what is missing, build, start the test camera and the viewer
#   make test   install what is missing, build, run every test (normal and sanitized builds)

BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all setup configure build run test test-normal test-asan bench clean format

all: build

setup:
	@scripts/setup.sh

# Line tables only (-g1): stack traces keep file and line, builds stay quick.
configure: setup
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	scripts/run-demo.sh $(BUILD_DIR)

test: test-normal test-asan

test-normal: build
	scripts/run-tests.sh $(BUILD_DIR)

test-asan: setup
	cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRURE_SANITIZE=ON \
	    -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" -DRURE_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	scripts/run-tests.sh $(ASAN_BUILD_DIR) -L 'unit|integration-asan'

# Measurements; they print their figures.
bench: build
	scripts/with-display.sh $(BUILD_DIR)/bench/rure-bench-launch
	scripts/with-display.sh $(BUILD_DIR)/bench/rure-bench-recovery

format:
	git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR)
