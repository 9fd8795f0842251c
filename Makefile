# KALDERO: build, test and demo.
#   make        build the program (build/kaldero)
#   make test   install what is missing, build, run every test
#   make demo   install what is missing, build, run the examples (once more with
#               every results option: JSON, CSV, HTML report, PNG/SVG/PDF plots)
MAKEFLAGS += --no-print-directory
BUILD    ?= build
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
# Debian packages the build, the tests and the demo need.
PACKAGES := g++
PACKAGES += make
PACKAGES += cmake
PACKAGES += pkg-config
PACKAGES += libgtest-dev
PACKAGES += libgmock-dev
PACKAGES += libbenchmark-dev
PACKAGES += giza-dev
PACKAGES += libx11-dev
PACKAGES += ghostscript
PACKAGES += xvfb
PACKAGES += libeigen3-dev
PACKAGES += libcairo2-dev
PACKAGES += libcups2-dev
PACKAGES += fonts-liberation2
PACKAGES += cups
PACKAGES += printer-driver-cups-pdf
PACKAGES += poppler-utils
PACKAGES += libcli11-dev
PACKAGES += libtomlplusplus-dev
PACKAGES += libfast-float-dev
PACKAGES += time
PACKAGES += libceres-dev
PACKAGES += libboost-math-dev
PACKAGES += nlohmann-json3-dev
PACKAGES += chromium
PACKAGES += python3-jsonschema
PACKAGES += python3-scipy
PACKAGES += libssl-dev
PACKAGES += libpugixml-dev
PACKAGES += help2man

.PHONY: all build programs deps install-packages install test sanitize demo pictures bench bench-speed bench-import fuzz clean

all: build

build:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The two programs alone (kaldero and kaldero-import), without the tests.
programs:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target kaldero kaldero-import

# Installs both programs, their manual pages and the bash completion under
# PREFIX (default /usr/local), below DESTDIR when given (for packaging).
PREFIX ?= /usr/local
install: deps programs
	@cmake --build $(BUILD) --target man_pages
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Installs only the packages that are missing (needs root, as on a fresh
# machine).
deps:
	@$(MAKE) install-packages LIST="$(PACKAGES)"

install-packages:
	@missing=""; \
	for p in $(LIST); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' \
	    || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing Debian packages:$$missing"; \
	  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

test: deps build sanitize
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@echo "Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer):"
	@cd $(BUILD)-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j $(JOBS) -E '^(FlowPathFitStatistics\.|UncertaintyScenarios\.|ReachCoverage\.|JointCoverage\.|report\.browser$$)'

# The whole program and test suite built with the sanitizers.
sanitize:
	@cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DKALDERO_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD)-asan -j $(JOBS)

demo: deps programs
	@scripts/demo.sh $(BUILD)

# The pictures of docs/, made from a real run of examples/.
pictures: deps programs
	@scripts/pictures.sh $(BUILD)

bench: deps build
	@bench/read_benchmark.sh $(BUILD)
	@bench/speed_benchmark.sh $(BUILD)
	@bench/every_line_benchmark.sh $(BUILD)
	@$(BUILD)/bench/fit_benchmark
	@$(BUILD)/bench/uncertainty_benchmark

# End-to-end runs of kaldero: a station of 1,000,000 lines against wc -l,
# 1,000 against 10,000 small stations, and the peak resident memory on a
# station of 2,000,000 lines.
bench-speed: deps build
	@bench/speed_benchmark.sh $(BUILD)

# Times kaldero-import on a generated export of 1,000,000 rows and reports
# its peak resident memory.
bench-import: deps build
	@bench/import_benchmark.sh $(BUILD)

# Fuzzing with libFuzzer (clang): each target runs FUZZ_SECONDS on a copy of
# its seed corpus under tests/fuzz/corpus; findings are written to
# $(BUILD)-fuzz/findings.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?= control station run
FUZZ_PACKAGES := clang libclang-rt-dev
fuzz: deps
	@$(MAKE) install-packages LIST="$(FUZZ_PACKAGES)"
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKALDERO_FUZZ=ON >/dev/null
	@cmake --build $(BUILD)-fuzz -j $(JOBS) --target control_file_fuzz station_file_fuzz run_fuzz
	@fz=$(abspath $(BUILD)-fuzz); mkdir -p $$fz/findings; \
	for t in $(FUZZ_TARGETS); do \
	  rm -rf $$fz/corpus-$$t && mkdir -p $$fz/corpus-$$t && \
	  cp tests/fuzz/corpus/$$t/* $$fz/corpus-$$t/ && \
	  exe=$$fz/tests/fuzz/$${t}_file_fuzz; [ -x $$exe ] || exe=$$fz/tests/fuzz/$${t}_fuzz; \
	  echo "Fuzzing $$t for $(FUZZ_SECONDS) s" && \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  $$exe -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -max_len=65536 -print_final_stats=1 -artifact_prefix=$$fz/findings/$$t- \
	    $$fz/corpus-$$t </dev/null || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-fuzz
