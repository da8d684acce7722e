# The two user commands (see README.md):
#   make demo   install what is missing, build natively, write the vtx demo
#   make test   install what is missing, build and test natively, under
#               ASan+UBSan, and cross-built for Windows under Wine
# Also: make bench (Release build of the benchmarks, then runs them).
SHELL := /bin/bash

DEMO_OUT ?= demo-out
BENCH_BIN ?= build/release-bench/bench/vtx_bench

.PHONY: demo test bench deps-demo deps-test deps-bench

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

deps-demo:
	tools/setup/install-deps.sh demo

deps-test:
	tools/setup/install-deps.sh test

deps-bench:
	tools/setup/install-deps.sh bench
