# make run: install what is missing, build, convert the sample book.  make test: the same set-up, then every test.
# make test-sanitize: every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
# make fuzz: the fuzz targets built with clang and run for FUZZ_SECONDS each (FUZZ_TARGETS: only these).
# make package: the Debian package, build/leafcast_VERSION_ARCH.deb.  make test-package: that package checked.
BUILD := build
JOBS := 2
SANITIZE_BUILD := build-sanitize
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 60
SANITIZERS := -fsanitize=address,undefined -fno-sanitize-recover=all

.PHONY: all deps configure build run test test-sanitize fuzz bench install package test-package clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target leafcast
	@$(BUILD)/leafcast convert samples/novel.txt --out $(BUILD)/sample-pages

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The environment holds for the build as well: test discovery runs the test programs.
# Full unwinding on malloc lets a leak's stack reach past system libraries built without frame pointers, so
# suppressions can name the library function that leaked.
test-sanitize: export ASAN_OPTIONS = detect_leaks=1:abort_on_error=0:fast_unwind_on_malloc=0
test-sanitize: export UBSAN_OPTIONS = print_stacktrace=1
test-sanitize: export LSAN_OPTIONS = suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Sanitize \
	  "-DCMAKE_CXX_FLAGS_SANITIZE=-O1 -g -fno-omit-frame-pointer $(SANITIZERS)" \
	  "-DCMAKE_EXE_LINKER_FLAGS=$(SANITIZERS)" > /dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS)

fuzz: deps
	@scripts/install-deps fuzz
	@cmake -S . -B $(FUZZ_BUILD) -DLEAFCAST_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link $(SANITIZERS)" > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@scripts/run-fuzzers $(FUZZ_BUILD)/fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target leafcast leafcast_bench leafcast_gui_bench
	@status=0; $(BUILD)/leafcast_bench || status=$$?; $(BUILD)/leafcast_gui_bench || status=$$?; exit $$status

# CPack installs the build into a folder of its own and packs that; Depends comes from dpkg-shlibdeps.
package: build
	@scripts/install-deps package
	@rm -f $(BUILD)/leafcast_*.deb
	@cd $(BUILD) && cpack -G DEB > cpack.log 2>&1 || { cat cpack.log; exit 1; }
	@ls $(BUILD)/leafcast_*.deb

test-package: package
	@packaging/check-package.sh $(BUILD)

install: configure
	@cmake --build $(BUILD) -j $(JOBS) --target leafcast leafcast-gui leafcast_data
	@cmake --install $(BUILD) --strip

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
