# Conveniences over the CMake build. `make install` honours PREFIX and DESTDIR:
#   make install PREFIX=/usr DESTDIR=/tmp/stage
PREFIX ?= /usr/local
BUILD ?= build

.PHONY: all test install demo fuzz soak check-blender package check-reproducible
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

# The .deb and the Windows installer in dist/, with dist/SHA256SUMS.
package:
	scripts/package.sh

# The packages of the commit built twice in clean clones and compared byte for byte.
check-reproducible:
	scripts/check-reproducible.sh

install:
	KVSS_WIN32=0 scripts/build.sh $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The glTF exports imported into Blender (large; not part of the suite).
check-blender:
	KVSS_WIN32=0 scripts/build.sh $(BUILD)
	tests/blender/run.sh $(BUILD)
