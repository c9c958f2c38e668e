#pragma once
// The first icon is the exe's own in the shell.
#define IDI_WENDRAKE 1
#define IDC_HAND_MOVE 101
#define IDB_BACKGROUND 201
#define IDB_TITLE_STRIP 202
