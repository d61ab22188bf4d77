#pragma once

#include <X11/Xlib.h>

#include "host/options/file_option_store.h"
#include "host/options/settings.h"
#include "host/x11/kvss_options.h"

// kvss --viewer: the hand-driven viewer in a normal, resizable window. Returns
// the exit status; throws a message text or std::runtime_error for the caller
// to print.
int runInspector(Display* display, const KvssOptions& options, FileOptionStore& store, const Settings& settings);
