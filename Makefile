# Conveniences over the CMake build. `make install` honours PREFIX and DESTDIR:
#   make install PREFIX=/usr DESTDIR=/tmp/stage
PREFIX ?= /usr/local
BUILD ?= build

.PHONY: all test install demo fuzz soak check-blender
all:
	scripts/build.sh $(BUILD)

test:
	scripts/test.sh

demo:
	scripts/run.sh

# A fuzz campaign: every target for FUZZ_SECONDS (default 600), see fuzz/run.sh.
FUZZ_SECONDS ?= 600
fuzz:
	fuzz/run.sh $(FUZZ_SECONDS)

# The soak, which scripts/test.sh leaves out.
soak:
	scripts/build.sh $(BUILD)
	cd $(BUILD) && ctest --output-on-failure -L soak

install:
	KVSS_WIN32=0 scripts/build.sh $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The glTF exports imported into Blender (large; not part of the suite).
check-blender:
	KVSS_WIN32=0 scripts/build.sh $(BUILD)
	tests/blender/run.sh $(BUILD)
