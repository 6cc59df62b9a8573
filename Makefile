# Front door: `make run` and `make test` set up a fresh Debian 12 machine themselves.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PACKAGES := cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-serialport-dev \
	qt6-tools-dev qt6-l10n-tools qt6-charts-dev libqt6opengl6-dev librsvg2-bin \
	qt6-serialbus-dev libsocketcan2
# The tools the log tests hand the program's logs to, and the locales asc2log reads dates in.
PACKAGES += can-utils tshark locales
# Qt's canbusutil listens on the virtual CAN bus in the interface tests.
PACKAGES += libqt6serialbus6-bin
# Boost.CRC (header-only) computes the checksums of transmitted and received messages.
PACKAGES += libboost-dev
LOCALES := en_US en_US.UTF-8 de_DE de_DE.UTF-8
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test test-asan fuzz demo bench ratio clean

all: build

# Installs only the Debian packages that are missing.
deps:
	@missing=$$(for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
		echo "Installing:" $$missing; \
		$(SUDO) apt-get update -q && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi
	@missing=$$(for l in $(LOCALES); do \
		locale -a | grep -qix "$$(echo $$l | sed 's/UTF-8/utf8/')" || echo $$l; \
	done); \
	if [ -n "$$missing" ] && [ -f /etc/locale.gen ]; then \
		echo "Generating locales:" $$missing; \
		for l in $$missing; do \
			$(SUDO) sed -i -E "s/^# *($$l (UTF-8|ISO-8859-1))\$$/\1/" /etc/locale.gen; \
		done; \
		$(SUDO) locale-gen; \
	fi

configure: deps
	@[ -f $(BUILD_DIR)/build.ninja ] || \
		cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR)

run: build
	./$(BUILD_DIR)/talvik

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
ASAN_DIR ?= build-asan
test-asan: deps
	@[ -f $(ASAN_DIR)/build.ninja ] || \
		cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALVIK_SANITIZE=ON
	cmake --build $(ASAN_DIR)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure

# Each fuzz target for FUZZ_SECONDS, from the seed corpus in fuzz/corpus.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_stream fuzz_hextext fuzz_listfiles fuzz_logreaders fuzz_dbc fuzz_transmit fuzz_diag
fuzz: PACKAGES += clang libclang-rt-14-dev
fuzz: deps
	@[ -f $(FUZZ_DIR)/build.ninja ] || \
		CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
			-DTALVIK_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_DIR)
	@for target in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_DIR)/corpus/$$target; \
		echo "== $$target for $(FUZZ_SECONDS) s"; \
		ASAN_OPTIONS=detect_leaks=0 ./$(FUZZ_DIR)/fuzz/$$target -max_total_time=$(FUZZ_SECONDS) \
			-max_len=4096 -print_final_stats=1 $(FUZZ_DIR)/corpus/$$target fuzz/corpus/$$target \
			> $(FUZZ_DIR)/$$target.log 2>&1; status=$$?; \
		grep -E '^stat::number_of_executed_units|^stat::new_units_added' $(FUZZ_DIR)/$$target.log; \
		if [ $$status -ne 0 ]; then tail -40 $(FUZZ_DIR)/$$target.log; exit 1; fi; \
	done

# Throughput of the window and of talvik-can against a flooding simulator, and of the parser alone.
# The two timing benchmarks (transmit, replay) can miss a jitter goal on a shared machine: the rest still runs.
bench: PACKAGES += libbenchmark-dev
bench: configure
	cmake -S . -B $(BUILD_DIR) -DTALVIK_BENCH=ON >/dev/null
	cmake --build $(BUILD_DIR)
	./$(BUILD_DIR)/bench/talvik-parser-bench --benchmark_counters_tabular=true
	./$(BUILD_DIR)/bench/talvik-dbc-bench
	./$(BUILD_DIR)/bench/talvik-log-bench
	./$(BUILD_DIR)/bench/talvik-plot-bench
	./$(BUILD_DIR)/bench/talvik-decode-bench
	./$(BUILD_DIR)/bench/talvik-bench
	./$(BUILD_DIR)/bench/talvik-bench --signals
	./$(BUILD_DIR)/bench/talvik-bench --diagnostics --only "virtual bus"
	./$(BUILD_DIR)/bench/talvik-can-bench
	-./$(BUILD_DIR)/bench/talvik-transmit-bench
	-./$(BUILD_DIR)/bench/talvik-replay-bench
	./$(BUILD_DIR)/bench/talvik-diag-bench
	./$(BUILD_DIR)/bench/talvik-analysis-bench

# The window against the converter simulator's demo bus, no hardware needed;
# REPLAY=FILE (a candump log or ASC) also plays a recorded bus, looping.
# VIRTUALCAN=1: the demo bus on Qt's virtual CAN bus instead, no converter at all.
# The demo line's name in the user's own runtime folder, where no other user can put one first.
DEMO_PORT ?= $(or $(XDG_RUNTIME_DIR),/tmp)/ttyTALVIK-demo
REPLAY ?=
VIRTUALCAN ?=
DEMO_BUS := virtualcan:can0
demo: build
	@mkdir -p $(BUILD_DIR)/demo
	@./$(BUILD_DIR)/tools/sim/talvik-sim --demo \
		$(if $(VIRTUALCAN),--virtualcan can0,--link $(DEMO_PORT) \
		--state $(BUILD_DIR)/demo/converter.state) \
		$(if $(REPLAY),--replay "$(abspath $(REPLAY))" --loop) & sim=$$!; \
	trap "kill $$sim 2>/dev/null" EXIT INT TERM; sleep 0.5; \
	echo; \
	if [ -n "$(VIRTUALCAN)" ]; then \
	echo "Demo bus on Qt's virtual CAN bus: the window opens it as $(DEMO_BUS)"; \
	echo "(talvik --port $(DEMO_BUS)). Frames 0x101, 0x18ff50e5 and 0x321 arrive;"; \
	else \
	echo "Simulated converter on $(DEMO_PORT): type that into the port box (端口号),"; \
	echo "press 打开端口, then 设置并启动. Frames 0x101, 0x18ff50e5 and 0x321 arrive;"; \
	fi; \
	echo "工具 > 诊断… asks its engine on 0x7E0 (22 F1 90, 19 02 FF, 01 0C); it answers on 0x7E8."; \
	echo "工具 > 信号… > 加载DBC… with $(CURDIR)/docs/demo.dbc decodes and plots them."; \
	echo; \
	cd $(BUILD_DIR)/demo && ../talvik $(if $(VIRTUALCAN),--port $(DEMO_BUS))

# `make install PREFIX=...` (and DESTDIR=... for a staging folder).
PREFIX ?= /usr/local
.PHONY: install deb check-install
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package of a release build in its own folder: $(DEB_DIR)/talvik_<version>_<arch>.deb,
# compiled with Debian's hardening flags.
DEB_DIR ?= build-deb
deb: PACKAGES += dpkg-dev file
deb: deps
	@[ -f $(DEB_DIR)/build.ninja ] || { \
		export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
		CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
		LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
		cmake -S . -B $(DEB_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF; }
	cmake --build $(DEB_DIR)
	rm -f $(DEB_DIR)/talvik_*.deb
	cd $(DEB_DIR) && cpack -G DEB

# The menu entry, the AppStream data and the package, checked with the distributions' tools.
check-install: PACKAGES += desktop-file-utils appstream lintian
check-install: deb
	desktop-file-validate data/org.talvik.Talvik.desktop
	appstreamcli validate --no-net $(DEB_DIR)/data/org.talvik.Talvik.metainfo.xml
	lintian --fail-on error $(DEB_DIR)/talvik_*.deb

clean:
	rm -rf $(BUILD_DIR)

# Lines of tests against lines of code (C++ sources; blank and // comment lines not counted).
RATIO_LINES = find $(1) \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | grep -cvE '^\s*($$|//)'
ratio:
	@tests=$$($(call RATIO_LINES,tests)); code=$$($(call RATIO_LINES,src tools bench fuzz)); \
	echo "tests $$tests, code $$code: $$((100 * tests / code)) %"
