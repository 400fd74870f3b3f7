// What the driver and its hook library agree on: the window message that asks
// the hook to read a message box's icon, and the property it answers with.
#pragma once

#define BOX_ICON_HOOK_PROC "ReadBoxIconHook"
#define BOX_ICON_REQUEST "WendleTestReadBoxIcon"
#define BOX_ICON_PROPERTY "WendleTestBoxIcon"

// Answers stored in the property; 0 (no property) means the hook never ran.
#define BOX_ICON_NONE 1
#define BOX_ICON_INFORMATION 2
#define BOX_ICON_WARNING 3
#define BOX_ICON_ERROR 4
#define BOX_ICON_QUESTION 5
#define BOX_ICON_OTHER 6
