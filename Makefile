# Every target installs what is missing first, so a fresh Debian machine needs
# nothing but `make demo` or `make test`.
BUILD      ?= build
BUILD_SAN  ?= build-san
BUILD_REL  ?= build-release
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
GENERATOR  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all setup build demo test test-fast test-san test-release fuzz-build fuzz test-fuzz bench package clean

all: build

setup:
	@./scripts/setup.sh

build: setup
	@cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKSDVI_WERROR=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

demo: build
	@./scripts/demo.sh $(BUILD)/tools/ksdvi/ksdvi

test-fast: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-san: setup
	@cmake -S . -B $(BUILD_SAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKSDVI_SANITIZE=ON -DKSDVI_WERROR=ON -DKSDVI_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(BUILD_SAN) -j $(JOBS)
	@cd $(BUILD_SAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# As distributions build it: Release, with the standard library's assertions.
test-release: setup
	@cmake -S . -B $(BUILD_REL) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-D_GLIBCXX_ASSERTIONS -DKSDVI_WERROR=ON -DKSDVI_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(BUILD_REL) -j $(JOBS)
	@cd $(BUILD_REL) && ctest --output-on-failure -j $(JOBS)

# libFuzzer targets (tests/fuzz) over the library built with clang, ASan and
# UBSan: `make fuzz` runs each for FUZZ_SECONDS; test-fuzz replays the seeds
# and every input that ever failed, and fuzzes a little from a fixed seed.
fuzz-build: setup
	@cmake -S . -B $(BUILD_FUZZ) $(GENERATOR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only" -DKSDVI_FUZZ=ON -DKSDVI_WERROR=ON \
		-DKSDVI_BUILD_TESTS=OFF -DKSDVI_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(BUILD_FUZZ) -j $(JOBS) --target fuzz_targets

fuzz: fuzz-build
	@FUZZ_SECONDS=$(FUZZ_SECONDS) tests/fuzz/run.sh $(BUILD_FUZZ) fuzz

test-fuzz: fuzz-build
	@tests/fuzz/run.sh $(BUILD_FUZZ) replay

test: test-fast test-san test-release test-fuzz

bench: build
	@$(BUILD)/bench/ksdvi_bench
	@./bench/render-vs-dvipng.sh $(BUILD)/tools/ksdvi/ksdvi
	@./bench/figures-vs-dvipng.sh $(BUILD)/tools/ksdvi/ksdvi
	@./bench/rotation-cost.sh $(BUILD)/tools/ksdvi/ksdvi
	@./bench/postscript-vs-dvips.sh $(BUILD)/tools/ksdvi/ksdvi
	@./bench/many-fonts-vs-dvipng.sh $(BUILD)/tools/ksdvi/ksdvi
	@./bench/first-page-vs-dvipng.sh $(BUILD)/tools/ksdvi/ksdvi
	@./bench/text-vs-dvi2tty.sh $(BUILD)/tools/ksdvi/ksdvi

# A Debian package of the build (cpack -G DEB), written into $(BUILD).
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_REL) $(BUILD_FUZZ)
