# 文本to图片: one command for each gate.
#   make run     install what is missing, build, start the window
#   make test    install what is missing, build, run every test
#   make asan    the tests again, built with the address and undefined-behaviour sanitizers
#   make bench   time the command-line tool against cjpeg and Pillow, the Python module against
#                Pillow and itself on two threads, and the window against the tool
#   make look    screenshots of the window under a virtual display (build/screenshots/)
#   make fuzz    build the libFuzzer targets with clang and run each for FUZZ_SECONDS
#   make package Debian packages text2jpg-cli and text2jpg in build/, checked by lintian in CI
#   make po      refresh po/text2jpg.pot from the sources and merge it into the catalogs
#   make install for packagers: builds and installs into $(DESTDIR)$(PREFIX) without installing
#                packages or turning warnings into errors

BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZERS = parse_int_fuzz input_lines_fuzz render_encode_fuzz wrap_lines_fuzz
JOBS ?= 2
CMAKE_FLAGS ?=
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps build run test asan bench look package format install clean fuzz po

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEXT2JPG_WERROR=ON -DTEXT2JPG_GUI=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/bin/text2jpg

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTEXT2JPG_SANITIZE=ON -DTEXT2JPG_GUI=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS)

bench: build
	bash scripts/install-deps.sh --bench
	status=0; \
	/usr/bin/python3 bench/run_bench.py --cli $(BUILD)/bin/text2jpg-cli || status=1; \
	PYTHONPATH=$(abspath $(BUILD))/python /usr/bin/python3 bench/module_bench.py || status=1; \
	xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- /usr/bin/python3 \
	  bench/window_bench.py --window $(BUILD)/bin/text2jpg --cli $(BUILD)/bin/text2jpg-cli \
	  || status=1; \
	exit $$status

look: build
	bash scripts/install-deps.sh --look
	bash scripts/screenshots.sh $(BUILD)

fuzz: deps
	bash scripts/install-deps.sh --fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEXT2JPG_FUZZ=ON -DTEXT2JPG_GUI=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target $(FUZZERS)
	set -e; for f in $(FUZZERS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$f; \
	  echo "fuzz: $$f for $(FUZZ_SECONDS) s"; \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  $(FUZZ_BUILD)/bin/$$f -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/$$f- $(FUZZ_BUILD)/corpus/$$f; \
	done

# The packages' file times are those of the last commit (of the changelog's entry outside a git
# checkout), so that two builds of one commit give the same bytes.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || \
  dpkg-parsechangelog -l packaging/changelog -STimestamp 2>/dev/null)
export SOURCE_DATE_EPOCH

package: build
	bash scripts/install-deps.sh --package
	cd $(BUILD) && cpack --config CPackConfig.cmake

# Refreshes the message template from the sources and merges it into the catalogs.
po:
	xgettext --from-code=UTF-8 --language=C++ -k -kTr -kMsg -kN_ --flag=Msg:1:c-format \
	  --sort-by-file --package-name=text2jpg --package-version=1.0.0 -o po/text2jpg.pot \
	  $$(git ls-files '*.cpp' '*.h' | grep -v '^tests/')
	for po in po/*.po; do msgmerge --quiet --update --backup=none $$po po/text2jpg.pot; done

format:
	find platform text convert cli app widgets tests bench python -name '*.h' -o -name '*.cpp' | xargs clang-format -i

install:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)
	DESTDIR=$(DESTDIR) cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
