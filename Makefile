# kelmar6: build, test and benchmark entry points.
BUILD_DIR ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=

.PHONY: all deps configure build test bench run clean format

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j 2

run: build
	$(BUILD_DIR)/src/batch/kelmar6-batch --common-reference --boots 900 \
	    examples/macaque_male.txt examples/macaque_female.txt

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do echo "== $$b"; "$$b"; done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf $(BUILD_DIR)
