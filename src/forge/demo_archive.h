#pragma once

#include "forge/hog_writer.h"

// The built-in demo archive: what the saver shows when no game is installed,
// written by `kvtool demo` at build time.
HogWriter demoArchive();
