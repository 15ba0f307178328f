# Two entry points for a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
JOBS ?= $(shell nproc)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
# ccache, when a developer has it, makes rebuilds in several work trees cheap.
GENERATOR += $(shell command -v ccache >/dev/null 2>&1 && echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")

.PHONY: setup build run test test-asan bench fuzz clean install-check package package-check

setup:
	./scripts/setup.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/app/keyvane

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: setup
	cmake -S . -B $(ASAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKEYVANE_SANITIZE=ON -DKEYVANE_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	cmake --build $(BUILD) --target keyvane_bench keyvane_bench_mainwindow keyvane_bench_exchange keyvane_bench_find \
		keyvane_bench_report keyvane_bench_cli keyvane_bench_import -j $(JOBS)
	$(BUILD)/bench/keyvane_bench
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/keyvane_bench_mainwindow
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/keyvane_bench_exchange
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/keyvane_bench_find
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/keyvane_bench_report
	$(BUILD)/bench/keyvane_bench_cli
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/keyvane_bench_import

# Installs into a staging folder and checks that the installed program has all its files.
install-check: build
	./scripts/check-install.sh $(BUILD)

# The Debian package (CPack) in $(BUILD); package-check installs it with apt, checks it and removes it.
package: build
	cd $(BUILD) && cpack -G DEB

package-check: package
	./scripts/check-package.sh $(BUILD)

# libFuzzer targets (clang), each run for FUZZ_SECONDS on its corpus; a crash fails.
fuzz: setup
	cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DKEYVANE_FUZZ=ON -DKEYVANE_TESTS=OFF -DKEYVANE_BENCH=OFF
	cmake --build $(FUZZ_BUILD) --target keyvane_fuzzers -j $(JOBS)
	./scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
