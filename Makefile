# Vorn: build and run the engine, build and run every test, install it.
#   make play       install what is missing, build a release binary and start a console game
#                   (two seconds a move)
#   make test       install what is missing, build everything and run every test, then again
#                   under the address and undefined-behaviour sanitizers, and the searches on
#                   several threads under the thread sanitizer
#   make build      release build only (the tools must be there: tools/install-deps)
#   make install    the engine in $(DESTDIR)$(PREFIX)/bin, its manual page in
#                   $(DESTDIR)$(PREFIX)/share/man/man6; make uninstall removes both

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
SANBUILD ?= build-san
TSANBUILD ?= build-tsan
PREFIX ?= /usr/local
BINDIR ?= $(PREFIX)/bin
MAN6DIR ?= $(PREFIX)/share/man/man6

.PHONY: build engine deps play test test-release test-sanitize test-threads bench install uninstall clean

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# The engine alone, without the tests.
engine:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target vorn

deps:
	tools/install-deps

play: deps
	$(MAKE) engine
	./$(BUILD)/vorn -st 2

test: deps
	$(MAKE) test-release test-sanitize test-threads

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

test-sanitize:
	cmake -S . -B $(SANBUILD) -DCMAKE_BUILD_TYPE=Debug -DVORN_SANITIZE=ON >/dev/null
	cmake --build $(SANBUILD) -j $(JOBS)
	cd $(SANBUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

# The searches on several threads under ThreadSanitizer: any data race fails the test.
test-threads:
	cmake -S . -B $(TSANBUILD) -DCMAKE_BUILD_TYPE=Release -DVORN_TSAN=ON >/dev/null
	cmake --build $(TSANBUILD) -j $(JOBS) --target vorn thread_tests
	cd $(TSANBUILD) && TSAN_OPTIONS="halt_on_error=1 exitcode=66" \
	  ctest --output-on-failure -L threads

bench: build
	./$(BUILD)/vorn -bench

install: engine
	install -d $(DESTDIR)$(BINDIR) $(DESTDIR)$(MAN6DIR)
	install -m 755 $(BUILD)/vorn $(DESTDIR)$(BINDIR)/vorn
	install -m 644 doc/vorn.6 $(DESTDIR)$(MAN6DIR)/vorn.6

uninstall:
	rm -f $(DESTDIR)$(BINDIR)/vorn $(DESTDIR)$(MAN6DIR)/vorn.6

clean:
	rm -rf $(BUILD) $(SANBUILD) $(TSANBUILD)
