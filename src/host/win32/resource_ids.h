// Resource numbers shared by kvss.rc and the code (plain defines: the resource compiler reads this too).
#pragma once

#include "options/control_ids.h"

#define IDS_DESCRIPTION 1
#define IDI_KVSS 100
#define IDD_CONFIGURE 2003
