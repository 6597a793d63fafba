# The two commands a new user needs: `make run` and `make test`.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
# `make test SANITIZE=1`: AddressSanitizer and UndefinedBehaviorSanitizer, in a build of its own.
ifeq ($(SANITIZE),1)
BUILD = build-sanitize
CMAKE_FLAGS += -DCALM_SANITIZE=ON
export ASAN_OPTIONS ?= detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1
endif

.PHONY: all deps configure build run test bench install package clean fuzz

PREFIX ?= $(HOME)/.local

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

run: build
	$(BUILD)/bin/calmora

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

bench: build
	cmake --build $(BUILD) --target benchmarks
	@bash bench/run.sh $(BUILD)

# The parsers' libFuzzer targets (clang), each run FUZZ_TIME seconds.
FUZZ_BUILD ?= fuzz-build
FUZZ_TIME ?= 60
fuzz:
	@cmake -S fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD)
	@bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_TIME)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# $(BUILD)/calmora_<version>_amd64.deb; install it with `sudo apt install ./$(BUILD)/calmora_*.deb`.
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD)
