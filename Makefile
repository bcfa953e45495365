# Two commands for a new user: `make run` and `make test`. Everything else is CMake.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_WINDOWS ?= build-windows
JOBS       ?= $(shell nproc)

.PHONY: all deps configure build run test test-plain build-asan test-asan windows test-windows bench soak fuzz fonts format clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: test-plain test-asan test-windows

test-plain: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

build-asan: deps
	@cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON -DQZ_BENCH=OFF > /dev/null
	@cmake --build $(BUILD_ASAN) -j $(JOBS)

test-asan: build-asan
	@cd $(BUILD_ASAN) && ctest --output-on-failure -j $(JOBS)

# The Windows build, cross-compiled with mingw-w64: $(BUILD_WINDOWS)/facetwright.exe with debugsymbols.dat
# beside it, made by the Linux build's symgen. Its tests run under Wine, some beside the Linux build.
windows: build
	@cmake -S . -B $(BUILD_WINDOWS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQZ_HOST_BUILD=$(abspath $(BUILD)) > /dev/null
	@cmake --build $(BUILD_WINDOWS) -j $(JOBS)

test-windows: windows
	@cd $(BUILD_WINDOWS) && ctest --output-on-failure -j $(JOBS)

# The benchmarks' own packages (f3d, libXext) come before the build, which looks for them. bench_viewframe
# needs a model and a display: viewdraw.sh runs it beside the floor.
bench:
	@scripts/install-deps.sh --bench
	@$(MAKE) --no-print-directory build
	@for b in $(BUILD)/bench_*; do \
	    case $${b##*/} in bench_viewframe) ;; *) [ ! -x "$$b" ] || "$$b" || exit 1 ;; esac; \
	done
	@bench/compare.sh $(BUILD)
	@bench/viewdraw.sh $(BUILD)
	@bench/f3d_compare.sh $(BUILD)

# The long runs: minutes of random input to the sanitizer build, then a storm of resizes with a lost device
# after every frame and 10,000 frames of use, whose resident memory may grow by at most 1 MiB.
SOAK_SECONDS ?= 600
SOAK_SEED    ?= 1
soak: build build-asan
	@tests/window/test_monkey.sh $(BUILD_ASAN)/facetwright $(SOAK_SECONDS) $(SOAK_SEED)
	@tests/window/test_storm.sh $(BUILD)/facetwright 2000 1024
	@tests/window/test_memory.sh $(BUILD)/facetwright 10000 1024

# libFuzzer with clang, bounded in time; new finds land in the kept corpus (FUZZ_SECONDS per target).
BUILD_FUZZ   ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := $(patsubst tests/fuzz/fuzz_%.cpp,%,$(wildcard tests/fuzz/fuzz_*.cpp))
fuzz:
	@scripts/install-deps.sh --fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_SANITIZE=ON -DQZ_FUZZ=ON -DQZ_BENCH=OFF > /dev/null
	@for t in $(FUZZ_TARGETS); do \
	    cmake --build $(BUILD_FUZZ) -j $(JOBS) --target fuzz_$$t && \
	    $(BUILD_FUZZ)/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=16384 tests/fuzz/corpus/$$t || exit 1; \
	done

# Renders the program's two bitmap fonts from DejaVu Sans into resources/ (committed; run after changing fontgen).
fonts: configure
	@cmake --build $(BUILD) --target fontgen
	@$(BUILD)/fontgen /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf resources

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_WINDOWS)
