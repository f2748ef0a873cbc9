# Thin wrapper over CMake: `make run` builds and starts the program,
# `make test` builds and runs every test, in the plain and the sanitizer build.
BUILD := build
SANITIZE_BUILD := build-sanitize
JOBS := $(shell nproc)

.PHONY: all build run test test-plain test-sanitize clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/simpson

test-plain: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSIMPSON_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

test: test-plain test-sanitize

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
