# Conveniences over the CMake build. `make install` honours PREFIX and DESTDIR:
#   make install PREFIX=/usr DESTDIR=/tmp/stage
PREFIX ?= /usr/local
BUILD ?= build

.PHONY: all test install demo
all:
	scripts/build.sh $(BUILD)

test:
	scripts/test.sh

demo:
	scripts/run.sh

install:
	KVSS_WIN32=0 scripts/build.sh $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)
