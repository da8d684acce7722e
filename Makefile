# The two user commands (see README.md):
#   make demo   install what is missing, build natively, write the vtx demo
#   make test   install what is missing, build and test natively, under
#               ASan+UBSan, and cross-built for Windows under Wine
# Also: make bench (Release build of the benchmarks, then runs them);
#       make fuzz [FUZZ_SECONDS=60] (libFuzzer run of the member-table fuzz
#       target, new inputs in build/fuzz/corpus, crashes in build/fuzz/artifacts).
SHELL := /bin/bash

DEMO_OUT ?= demo-out
BENCH_BIN ?= build/release-bench/bench/vtx_bench
FUZZ_SECONDS ?= 60
FUZZ_BIN ?= build/fuzz/tests/fuzz/vtx_fuzz
FUZZ_FLAGS ?=

.PHONY: demo test bench fuzz deps-demo deps-test deps-bench deps-fuzz

demo: deps-demo
	cmake --preset native
	cmake --build --preset native --target vtx
	build/native/tools/vtx/vtx demo --out $(DEMO_OUT)

test: deps-test
	tools/setup/run-tests.sh

bench: deps-bench
	cmake --preset bench
	cmake --build --preset bench --target vtx_bench
	$(BENCH_BIN)

fuzz: deps-fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz --target vtx_fuzz
	mkdir -p build/fuzz/corpus build/fuzz/artifacts
	$(FUZZ_BIN) -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  -artifact_prefix=build/fuzz/artifacts/ $(FUZZ_FLAGS) build/fuzz/corpus tests/fuzz/corpus

deps-demo:
	tools/setup/install-deps.sh demo

deps-test:
	tools/setup/install-deps.sh test

deps-bench:
	tools/setup/install-deps.sh bench

# The demo packages plus clang and its libFuzzer runtime.
deps-fuzz: deps-demo
	@missing=""; for p in clang libclang-rt-14-dev; do \
	  [ "$$(dpkg-query -W -f='$${db:Status-Status}' $$p 2>/dev/null)" = installed ] || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "deps-fuzz: installing:$$missing"; \
	  apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi
