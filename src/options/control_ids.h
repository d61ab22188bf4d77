// The settings dialog's control numbers, written once: the option table names
// each option's control by them, the dialog procedure its own buttons, and the
// dialog resource (kvss.rc) reads them too, so they are plain defines.
#pragma once

#define IDC_ANIM_SPEED 1000
#define IDC_BILINEAR 1001
#define IDC_MIPMAP 1002
#define IDC_WIREFRAME 1003
#define IDC_MIRROR 1004
#define IDC_SHOW_FPS 1005
#define IDC_OBJECT_TIME 1006
#define IDC_MONITORS 1007
#define IDC_GAME_DIR 1008
#define IDC_GAME_SOURCE 1009
#define IDC_BROWSE_GAME 1010
#define IDC_FIND_GAME 1011
