# The two commands of the README:
#   make run    install what is missing, build, start the test camera and the viewer
#   make test   install what is missing, build, run every test (normal and sanitized builds)

BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Seconds `make fuzz` (and `make test`) runs the fuzz targets, all at once
# sharing the cores, each resuming from the corpus the earlier runs left in
# build-fuzz/; `make fuzz FUZZ_SECONDS=600` for a longer search.
FUZZ_SECONDS ?= 30
FUZZ_TARGETS = camera-list update-manifest camera-row-payload camera-address onvif-replies camera-stream
# Compilers run through ccache when it is installed (the setup installs it); its
# cache lives in the user's own cache folder, outside the clone, so a new clone
# on the same machine compiles only what changed.
LAUNCHER = $$(command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# Paths below the clone are hashed relative to it, so a clone in another folder
# finds the same entries; precompiled headers and build dates do not bar caching.
# The working folder, which the compiler writes into debug information, is left
# out of the hash too: otherwise every clone in a new folder misses every entry.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
export CCACHE_SLOPPINESS := pch_defines,time_macros,include_file_mtime,include_file_ctime
# Entries are found by the contents of every header the compiler read (its
# dependency file), never by preprocessed text alone: a precompiled header
# built from headers that differ only in comments would otherwise be handed
# out again, and GCC would then include those headers a second time on top of
# it ("redefinition of ...").
export CCACHE_DEPEND := 1
# Room for the normal, sanitizer and fuzz builds of a few clones at once: at
# ccache's default of 5 GB the entries of one build pushed out another's, and
# a new clone compiled half of everything again. A size set in the
# environment is kept.
CCACHE_MAXSIZE ?= 20G
export CCACHE_MAXSIZE

.PHONY: all setup configure build run test test-normal test-asan test-fuzz fuzz bench-build bench compare soak zoo streams stages clean format

all: build

setup:
	@scripts/setup.sh

# The builds are CMakePresets.json's: "default" here, "sanitize" and "fuzz" below.
configure: setup
	cmake --preset default -B $(BUILD_DIR) $(LAUNCHER) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	scripts/run-demo.sh $(BUILD_DIR)

# The three stages in turn, each timed; the times are printed at the end.
test:
	@start=$$(date +%s) && \
	$(MAKE) --no-print-directory test-normal && normal=$$(date +%s) && \
	$(MAKE) --no-print-directory test-asan && asan=$$(date +%s) && \
	$(MAKE) --no-print-directory test-fuzz && fuzz=$$(date +%s) && \
	echo "make test: normal build and tests $$((normal - start)) s, sanitizer build and tests $$((asan - normal)) s, fuzzing $$((fuzz - asan)) s; $$((fuzz - start)) s in all"

test-normal: build
	scripts/run-tests.sh $(BUILD_DIR)

test-asan: setup
	cmake --preset sanitize -B $(ASAN_BUILD_DIR) $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	scripts/run-tests.sh $(ASAN_BUILD_DIR) -L 'unit|integration-asan'

# libFuzzer with AddressSanitizer and UBSan on the parsers of outside input
# (clang, the "fuzz" preset in build-fuzz/); fails when a target finds a crash.
fuzz: setup
	cmake --preset fuzz $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build --preset fuzz -j $(JOBS)
	fuzz/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

test-fuzz: fuzz

# Measurements; they print their figures.
bench-build: build
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks

bench: bench-build
	scripts/with-display.sh $(BUILD_DIR)/bench/rure-bench-launch
	scripts/with-display.sh $(BUILD_DIR)/bench/rure-bench-large-list
	scripts/with-display.sh $(BUILD_DIR)/bench/rure-bench-recovery

# Rure side by side with mpv, ffplay and a GStreamer pipeline on one virtual display; prints one table.
compare: bench-build
	BUILD_DIR=$(BUILD_DIR) bench/compare

# One picture's way, stage by stage, through Rure and a GStreamer pipeline.
stages: bench-build
	BUILD_DIR=$(BUILD_DIR) bench/stages

# A camera's main and small streams in the viewer, e.g. make streams STREAMS_FLAGS="--motion 8".
streams: bench-build
	BUILD_DIR=$(BUILD_DIR) bench/streams $(STREAMS_FLAGS)

# The viewer under a seeded schedule of faults, e.g. make soak SOAK_FLAGS="--minutes 60 --seed 7".
SOAK_FLAGS ?=
soak: bench-build
	BUILD_DIR=$(BUILD_DIR) bench/soak $(SOAK_FLAGS)

# The viewer against one kind of camera after another (bench/zoo --list), one
# table, e.g. make zoo ZOO_FLAGS="--minutes 10 --cases h265,smart".
ZOO_FLAGS ?=
zoo: bench-build
	BUILD_DIR=$(BUILD_DIR) bench/zoo $(ZOO_FLAGS)

format:
	git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) build-fuzz
