# Front door: `make run` and `make test` set up a fresh Debian 12 machine themselves.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PACKAGES := cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libqt6serialport6-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test clean

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

clean:
	rm -rf $(BUILD_DIR)
