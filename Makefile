# The two set-up commands: `make run` and `make test`.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
BENCH_BUILD ?= build-bench
GENERATE = cmake -S . -G Ninja -Wno-dev

.PHONY: deps build run test sanitize lint format format-check package bench clean

deps:
	@scripts/install-deps

# WERROR=1 makes compiler warnings errors, as in CI; without it a newer toolchain only warns.
# The choice is kept in the build tree until it is given again (WERROR=0 turns it off).
# The targets share $(BUILD); one configured without the tests (-DBUILD_TESTING=OFF) is
# configured again with them before anything builds or runs tests there.
WERROR ?=
GENERATE_BUILD = $(GENERATE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
	    $(if $(WERROR),-DLUMATIC_WERROR=$(if $(filter 1,$(WERROR)),ON,OFF))
WITH_TESTS = grep -qx 'BUILD_TESTING:BOOL=ON' $(1)/CMakeCache.txt
CONFIGURE = [ -f $(BUILD)/build.ninja ] && [ -z "$(WERROR)" ] && $(call WITH_TESTS,$(BUILD)) || \
	    $(GENERATE_BUILD)
build: deps
	@$(CONFIGURE)
	@cmake --build $(BUILD)

# Only the program and its web module, not the test suite; a tree with or without tests will do.
run: deps
	@[ -f $(BUILD)/build.ninja ] && [ -z "$(WERROR)" ] || $(GENERATE_BUILD)
	@cmake --build $(BUILD) --target lumatic
	@if [ -z "$${DISPLAY:-}" ] && [ -z "$${WAYLAND_DISPLAY:-}" ]; then \
	    echo "lumatic needs a display, and there is none here; for a virtual one: xvfb-run -a make run"; \
	    exit 1; \
	fi
	@if [ "$$(id -u)" -eq 0 ]; then \
	    echo "make run: as root, so Chromium's sandbox is off for this run (QTWEBENGINE_DISABLE_SANDBOX=1)"; \
	    export QTWEBENGINE_DISABLE_SANDBOX=1; \
	fi; \
	exec $(BUILD)/lumatic

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The test suite again with address and undefined-behaviour sanitizers.
sanitize: deps
	@[ -f $(SANITIZE_BUILD)/build.ninja ] && $(call WITH_TESTS,$(SANITIZE_BUILD)) || \
	    $(GENERATE) -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DLUMATIC_SANITIZE=ON \
	    -DBUILD_TESTING=ON
	@cmake --build $(SANITIZE_BUILD)
	@cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --output-on-failure

# clang-tidy over the program's and the tests' sources, with the checks in .clang-tidy; clazy's
# Qt checks over the program's (its own headers too, never Qt's, nor the generated *_autogen);
# shellcheck over the shell scripts (environment.sh through the wrappers that source it).
SHELL_SCRIPTS = grep -l '^\#!.*sh' scripts/* tests/env/* .ci/run
lint:
	@$(MAKE) --no-print-directory build WERROR=1
	@scripts/install-deps clang-tidy clazy shellcheck
	@$(SHELL_SCRIPTS) | xargs shellcheck -x -P SCRIPTDIR
	@git ls-files 'src/*.cpp' | xargs -P 2 -n 1 clazy-standalone -p $(BUILD) \
	    --checks=level0,level1 --header-filter='$(CURDIR)/src/.*' > $(BUILD)/clazy.log 2>&1 && \
	    ! grep -E "(warning|error):" $(BUILD)/clazy.log || \
	    { grep -E "(warning|error):" $(BUILD)/clazy.log || cat $(BUILD)/clazy.log; exit 1; }
	@run-clang-tidy -quiet -p $(BUILD) "$(CURDIR)/(src|tests)/" > $(BUILD)/lint.log 2>&1 || \
	    { grep -E "(warning|error):" $(BUILD)/lint.log; exit 1; }
	@echo "lint: clean"

# clang-format over every C++ file; the check changes nothing and fails on any difference.
FORMATTED = git ls-files '*.cpp' '*.h'
format:
	@scripts/install-deps clang-format
	@$(FORMATTED) | xargs clang-format -i
format-check:
	@scripts/install-deps clang-format
	@$(FORMATTED) | xargs clang-format --dry-run -Werror
	@echo "format: clean"

# A Debian package of the program, in $(BUILD).
package: build
	@cd $(BUILD) && cpack
	@ls $(BUILD)/*.deb

# The benchmark, in a Release tree of its own, on virtual X servers it starts itself; the
# results go to $(BENCH_BUILD)/performance.md (DOC=1: into docs/performance.md instead), and a
# budget that falls short fails the target.
DOC ?=
bench: deps
	@scripts/install-deps valgrind
	@[ -f $(BENCH_BUILD)/build.ninja ] || \
	    $(GENERATE) -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DLUMATIC_BENCH=ON \
	    -DBUILD_TESTING=OFF
	@cmake --build $(BENCH_BUILD) --target lumatic_bench bench_bare_window
	@python3 bench/run.py --build $(BENCH_BUILD)$(if $(filter 1,$(DOC)), --doc docs/performance.md)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(BENCH_BUILD)
