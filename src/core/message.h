#pragma once

// The one exception type of the system: a pointer to a constant message text.
// Handlers catch any message and do not look at it; tools print it.
using Message = const char*;

[[noreturn]] inline void fail(Message message) { throw message; }
