# kelmar6: build, test and benchmark entry points.
BUILD_DIR ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=
# Seconds each fuzz target runs in `make fuzz`.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = table_reader figure_file callback_parser formatter landmark_formats

.PHONY: all deps configure build test sanitize bench run gui fuzz clean format format-check

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j 2

# The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer; any report
# fails it.
sanitize: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan -j 2

# Each libFuzzer program for FUZZ_SECONDS, from the seeds in fuzz/corpus; an input that makes one
# fail is written to fuzz/crashes/<target>/, where the replay test keeps running it.
fuzz:
	bash scripts/install-deps.sh fuzz
	CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DKELMAR_FUZZ=ON -DKELMAR_BUILD_TESTS=OFF -DKELMAR_BUILD_BENCH=OFF
	cmake --build build-fuzz
	@for t in $(FUZZ_TARGETS); do \
	    echo "== fuzz_$$t, $(FUZZ_SECONDS) s"; \
	    mkdir -p build-fuzz/corpus/$$t fuzz/crashes/$$t; \
	    build-fuzz/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	        -artifact_prefix=fuzz/crashes/$$t/ build-fuzz/corpus/$$t fuzz/corpus/$$t || exit 1; \
	done

# The desktop program when a display is available; otherwise the bundled analysis in the batch
# tool. Builds only the programs it runs (the tests and benchmarks are `make test`'s).
run: configure
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	    cmake --build $(BUILD_DIR) --target kelmar6 && $(BUILD_DIR)/src/shell/kelmar6; \
	else \
	    cmake --build $(BUILD_DIR) --target kelmar6-batch && \
	    echo "No display: the desktop window needs one. The bundled analysis with kelmar6-batch:" && \
	    $(BUILD_DIR)/src/batch/kelmar6-batch --common-reference --boots 900 \
	        examples/macaque_male.txt examples/macaque_female.txt; \
	fi

gui: configure
	cmake --build $(BUILD_DIR) --target kelmar6
	$(BUILD_DIR)/src/shell/kelmar6

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do echo "== $$b"; "$$b"; done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

# Fails, naming the places, when any source is not formatted by the repository's .clang-format.
format-check: deps
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz
