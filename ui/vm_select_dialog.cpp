#include "ui/vm_select_dialog.h"

// The selection dialog and its template are not built yet: an interactive
// run with a valid payload ends here without showing anything.
void ShowVmSelectDialog()
{
}
