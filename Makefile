# The two commands of the README's quick start, plus a few conveniences.
.PHONY: setup demo test release debug bench format fuzz tsan clean

JOBS ?= $(shell nproc)

setup:
	@scripts/setup.sh

release: setup
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS)

debug: setup
	@cmake --preset debug >/dev/null
	@cmake --build --preset debug -j $(JOBS)

# Main job: build the bundle and the host tool, render a demo signal through it.
demo: setup
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS) --target Oriel talvo-host
	@scripts/demo.sh build/release out/demo

# Every test: format check, sanitized build and ctest (talvo-host validate on
# the sanitized bundle among them), validate on the release bundle at the
# highest strictness, and many instances on many threads under ThreadSanitizer.
test: setup
	@scripts/check-format.sh
	@cmake --preset debug >/dev/null
	@cmake --build --preset debug -j $(JOBS)
	@ctest --preset debug -j $(JOBS)
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS) --target Oriel talvo-host
	@build/release/talvo-host validate build/release/Oriel.vst3 --strictness 10 --seed 1
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS) --target talvo_threads_tests
	@ctest --preset tsan -R '^ManyInstances\.'

bench: release
	@for b in build/release/bench/talvo_*_bench; do echo "== $$b"; $$b; done

tsan: setup
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS)
	@ctest --preset tsan -j $(JOBS)

fuzz: setup
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)

format:
	@git ls-files -co --exclude-standard -- 'src/*' 'tests/*' 'tools/*' 'bench/*' 'fuzz/*' | \
	  grep -E '\.(c|cc|cpp|h|hpp|mm)$$' | xargs -r clang-format -i

clean:
	rm -rf build out
