// Window placement and control rules of the two dialogs, as plain functions
// of values so that they can be checked without a window.
#pragma once

// The left (or top) coordinate that centres a window of windowSize inside a
// reference of referenceSize, measured from the screen's origin; 0 when the
// window is as large as the reference or larger.
int CenteredOffset(int referenceSize, int windowSize);

// Whether controlId of the no-VM dialog is enabled while option optionId is
// chosen: the VM path and its browse button go with "run with this VM", the
// folder and its browse button with "save".
bool IsEnabledForOption(int controlId, int optionId);

// Turns a filter list "Description|pattern|...||" into the NUL-separated
// form of OPENFILENAMEA's lpstrFilter, in place.
void ConvertFilterList(char* text);
