// The VM selection dialog (template 107).
#pragma once

// Runs the dialog modally, without an owner window.
void ShowVmSelectDialog();
