#pragma once

#include <X11/Xlib.h>

#include "seam/loop_client.h"

// The one loop of the Linux programs: ticks `client` and, between ticks, waits
// on the X connection and turns the window's events into WindowEvents. The
// saver and the model viewer both run in it. Returns once the client is closing.
void runX11Loop(Display* display, Window window, LoopClient& client);
