#include "vm/vm_locator.h"

// The process runner is not built yet: no child is started and no VM counts
// as suitable until it is.
int VmLocator::Exec(const char*)
{
    return -1;
}

int VmLocator::Check(const char* requirement)
{
    return RunClass("", "TvqVersion", requirement) == VM_SUITABLE ? 1 : 0;
}
