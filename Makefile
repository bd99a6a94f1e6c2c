# The two set-up commands of the README: `make demo` and `make test`. Both install what is
# missing first, so a fresh machine needs nothing done by hand.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build test demo bench fuzz asan format clean

all: build

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure

demo: build
	$(BUILD)/bin/tessory demo --output out

# Benchmarks are built by `build` but run only here, never by ctest.
bench: build
	mkdir -p bench/results
	$(BUILD)/bin/tessory_bench --benchmark_out=bench/results/latest.json --benchmark_out_format=json
	./bench/video.sh $(BUILD)
	./bench/report.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) out
