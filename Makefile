# KALDERO: build, test and demo.
#   make        build the program (build/kaldero)
#   make test   install what is missing, build, run every test
#   make demo   install what is missing, build, run the examples
MAKEFLAGS += --no-print-directory
BUILD    ?= build
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
# Debian packages the build, the tests and the demo need.
PACKAGES := g++
PACKAGES += make
PACKAGES += cmake
PACKAGES += libgtest-dev
PACKAGES += libgmock-dev
PACKAGES += libbenchmark-dev
PACKAGES += giza-dev
PACKAGES += libeigen3-dev

.PHONY: all build deps test sanitize demo bench clean

all: build

build:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Installs only the packages that are missing (needs root, as on a fresh
# machine).
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
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
	  ctest --output-on-failure -j $(JOBS)

# The whole program and test suite built with the sanitizers.
sanitize:
	@cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DKALDERO_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD)-asan -j $(JOBS)

demo: deps build
	@scripts/demo.sh $(BUILD)

bench: deps build
	@bench/read_benchmark.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-asan
