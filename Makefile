# make run: install what is missing, build, convert the sample book.  make test: the same set-up, then every test.
BUILD := build
JOBS := 2

.PHONY: all deps configure build run test bench install clean

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

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target leafcast leafcast_bench leafcast_gui_bench
	@status=0; $(BUILD)/leafcast_bench || status=$$?; $(BUILD)/leafcast_gui_bench || status=$$?; exit $$status

install: configure
	@cmake --build $(BUILD) -j $(JOBS) --target leafcast leafcast-gui
	@cmake --install $(BUILD) --strip

clean:
	rm -rf $(BUILD)
