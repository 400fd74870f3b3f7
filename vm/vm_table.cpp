#include "vm/vm_table.h"

#include <stddef.h>

#include "vm/vm_locator.h"

void VmTable::Clear()
{
    for (int slot = 0; slot < kVmSlots; ++slot)
        slots[slot] = NULL;
}

void VmTable::DeleteKinds()
{
    for (int slot = 0; slot < kVmSlots; ++slot) {
        delete slots[slot];
        slots[slot] = NULL;
    }
}

// The VM kinds and their search are not built yet: a probe run writes no
// report until they are.
void VmTable::ProbeAndReport(const char*)
{
}
