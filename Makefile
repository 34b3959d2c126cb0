# Vorn: build and run the engine, build and run every test.
#   make play   build a release binary and start a console game (two seconds a move)
#   make test   build everything and run every test, then again under the sanitizers
#   make build  release build only

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
SANBUILD ?= build-san

.PHONY: build play test test-release test-sanitize bench clean

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

play: build
	./$(BUILD)/vorn -st 2

test: test-release test-sanitize

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

test-sanitize:
	cmake -S . -B $(SANBUILD) -DCMAKE_BUILD_TYPE=Debug -DVORN_SANITIZE=ON >/dev/null
	cmake --build $(SANBUILD) -j $(JOBS)
	cd $(SANBUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

bench: build
	./$(BUILD)/vorn -bench

clean:
	rm -rf $(BUILD) $(SANBUILD)
