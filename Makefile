# Morvex: `make run` starts the desktop program, `make test` runs every test.
# Each installs the Debian packages it needs when they are missing (as root, or through sudo).

BUILD  ?= build
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
DEBS   := g++ cmake make libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev libcli11-dev
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps build run test bench clean screenshots

all: build

deps:
	@missing=""; \
	for p in $(DEBS); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing Debian packages:$$missing"; \
	    if [ "$$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi; \
	    $$SUDO apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd samples && ../$(BUILD)/morvex

screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/morvex-screenshots $(BUILD)/screenshots samples

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
