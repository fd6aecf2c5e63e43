# Tessera: one entry point for setup, build, tests, demo, install and benchmarks.
#   make demo   set up, build, and run the real plug-in in the simulated host on a sample
#   make test   set up, build, and run every test (native, sanitizers, fuzz smoke, Wine)
BUILD     ?= build
PREFIX    ?= /usr/local
JOBS      ?= 2
# Each fuzz target runs this long under make fuzz.
FUZZ_SECONDS ?= 600
NATIVE    := $(BUILD)/native-asan
RELEASE   := $(BUILD)/native
WIN       := $(BUILD)/win
# CORPUS=DIR: the real mail of the corpus tests (default ../shared/corpus).
CORPUS_DEF := $(if $(CORPUS),-DTESSERA_CORPUS=$(abspath $(CORPUS)))
# No "Entering directory" lines from the generated makefiles.
QUIET     := -- --no-print-directory

.PHONY: all setup build build-native build-release configure-win build-win test demo install dist bench fuzz clean

all: build

setup:
	@bash scripts/setup.sh

build: setup build-native build-release build-win

build-native:
	@cmake -S . -B $(NATIVE) -DTESSERA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(CORPUS_DEF) >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS) $(QUIET)

build-release:
	@cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DTESSERA_TESTS=OFF -DTESSERA_BENCH=ON \
	    -DTESSERA_LAYER_CHECK=OFF -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	@cmake --build $(RELEASE) -j$(JOBS) $(QUIET)

configure-win:
	@cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DTESSERA_LAYER_CHECK=OFF $(CORPUS_DEF) >/dev/null

build-win: configure-win
	@cmake --build $(WIN) -j$(JOBS) $(QUIET)

# One ctest run over both trees, so that its closing line counts every test.
test: build
	@printf 'subdirs("native-asan" "win")\n' > $(BUILD)/CTestTestfile.cmake
	@bash -c 'source scripts/wine-env.sh $(WIN) && cd $(BUILD) && \
	    ctest -j$(JOBS) --output-on-failure --timeout 600; rc=$$?; wineserver -k; \
	    grep -ho "^SKIP: .*" Testing/Temporary/LastTest.log | sort -u; exit $$rc'

# Only the plug-in, the simulated host and the command-line exporter: no tests, no benchmarks.
demo: setup configure-win
	@cmake --build $(WIN) -j$(JOBS) --target Tessera simhost tessera-export $(QUIET)
	@bash scripts/demo.sh $(WIN)

install: setup build-release
	@cmake --install $(RELEASE) --prefix $(PREFIX)

# dist/Tessera-<version>.zip and dist/SHA256SUMS: the release for Windows users.
dist: setup build-win
	@cmake --build $(WIN) --target dist

bench: setup build-release
	@bash scripts/bench.sh $(RELEASE)

fuzz: setup
	@bash fuzz/run_fuzzers.sh $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
