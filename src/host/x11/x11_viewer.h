#pragma once

#include "options/command_line.h"

// kvss --viewer and kvss-viewer: the model viewer in a normal, resizable
// window, with the settings file's options and those of the command line.
// Returns the exit status, having printed what went wrong.
int inspectorMain(const KvssOptions& options);
