# make run: install what is missing, build, convert the sample book.  make test: the same set-up, then every test.
BUILD := build
JOBS := 2

.PHONY: all deps configure build run test clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/leafcast ]; then \
	  $(BUILD)/leafcast convert samples/novel.txt; \
	else \
	  echo "Leafcast: the imaging library is built; page conversion is not built yet."; \
	fi

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
