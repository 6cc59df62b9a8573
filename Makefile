# Front door: `make run` and `make test` set up a fresh Debian 12 machine themselves.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PACKAGES := cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libqt6serialport6-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test demo clean

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

configure: deps
	@[ -f $(BUILD_DIR)/build.ninja ] || \
		cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR)

run: build
	./$(BUILD_DIR)/talvik

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The window against the converter simulator's demo bus, no hardware needed.
DEMO_PORT ?= /tmp/ttyTALVIK-demo
demo: build
	@mkdir -p $(BUILD_DIR)/demo
	@./$(BUILD_DIR)/tools/sim/talvik-sim --demo --link $(DEMO_PORT) \
		--state $(BUILD_DIR)/demo/converter.state & sim=$$!; \
	trap "kill $$sim 2>/dev/null" EXIT INT TERM; sleep 0.5; \
	echo; \
	echo "Simulated converter on $(DEMO_PORT): type that into the port box (端口号),"; \
	echo "press 打开端口, then 设置并启动. Frames 0x101, 0x18ff50e5 and 0x321 arrive;"; \
	echo "send 0x7DF from the manual list and the demo node answers with 0x7E8."; \
	echo; \
	cd $(BUILD_DIR)/demo && ../talvik

clean:
	rm -rf $(BUILD_DIR)
