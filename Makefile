# The two set-up commands of the README: `make demo` and `make test`. Both install what is
# missing first, so a fresh machine needs nothing done by hand.
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?=
# The sanitizers' settings for every run of the sanitizer build: leaks are errors except
# the GL driver's own, and undefined behaviour stops the test that meets it. GCC 12's
# __tls_get_addr interceptor takes a dynamic TLS block that happens to start at a certain
# page offset for a glibc 2.19 header and reads a bogus range, and the leak check then
# crashes at exit after a passing test (google/sanitizers#1322); it is turned off.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:intercept_tls_get_addr=0 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps configure build asan-build test asan-test demo bench fuzz format clean install package

all: build

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

# AddressSanitizer and UndefinedBehaviorSanitizer, beside the normal build.
asan-build: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DTESSORY_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD)

# Every test on the normal build, then every test again on the sanitizer build.
test: build asan-build
	ctest --test-dir $(BUILD) --output-on-failure
	$(MAKE) --no-print-directory asan-test

asan-test:
	$(SANITIZER_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure

# The long reliability run: 10,000 fuzzed parameter sets and a 5,000-frame soak.
fuzz: build
	TESSORY_FUZZ_SETS=10000 TESSORY_SOAK_FRAMES=5000 $(BUILD)/bin/reliability_tests \
		--gtest_filter='ReliabilityFuzz.*:ReliabilitySoak.*'

demo: build
	$(BUILD)/bin/tessory demo --output out

# Benchmarks are built by `build` but run only here, never by ctest.
bench: build
	mkdir -p bench/results
	$(BUILD)/bin/tessory_bench --benchmark_repetitions=3 \
		--benchmark_out=bench/results/latest.json --benchmark_out_format=json
	./bench/video.sh $(BUILD)
	$(BUILD)/bin/tessory_bench_colour --benchmark_out=bench/results/colour.json \
		--benchmark_out_format=json
	./bench/startup.sh $(BUILD)
	xvfb-run -a $(BUILD)/bin/tessory_bench_obs --benchmark_out=bench/results/obs.json \
		--benchmark_out_format=json
	./bench/report.sh $(BUILD)

# Installs under $(PREFIX) (into $(DESTDIR) when staging): bin/tessory, lib/tessory/Tessory.so,
# lib/frei0r-1/tessory.so, the Kdenlive and Shotcut panels and the manual page.
PREFIX ?= /usr/local
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package in $(BUILD)/, installing under /usr.
package: build
	cd $(BUILD) && cpack -G DEB

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) out
