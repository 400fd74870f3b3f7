#include "vm/vm_table.h"

#include <new>
#include <stdlib.h>

#include "payload/paths.h"
#include "payload/text_buffer.h"
#include "vm/vm_kinds.h"
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

void VmTable::CreateKinds()
{
    slots[0] = new (std::nothrow) JdkLocator;
    slots[1] = new (std::nothrow) JreLocator;
    slots[2] = new (std::nothrow) MsVmLocator;
}

bool VmTable::IsFound(int slot) const
{
    return slots[slot] != NULL && slots[slot]->exePath[0] != '\0';
}

void VmTable::LocateAll()
{
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (slots[slot] != NULL)
            slots[slot]->Locate();
    }
}

void VmTable::CheckAll(const char* requirement)
{
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (IsFound(slot))
            slots[slot]->suitable = slots[slot]->Check(requirement);
    }
}

VmLocator* VmTable::FindByExecutable(const char* path)
{
    char fullPath[kTextBufferSize];
    char fileName[kTextBufferSize];
    if (!CopyText(fullPath, sizeof fullPath, path) || !GetFileNamePart(fullPath, fileName))
        return NULL;
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (slots[slot] != NULL && slots[slot]->MatchExecutable(fullPath, fileName))
            return slots[slot];
    }
    return NULL;
}

void VmTable::PrintReport(FILE* output)
{
    int found = 0;
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (IsFound(slot))
            ++found;
    }
    char count[16];
    _itoa(found, count, 10);
    fputs(count, output);
    fputs("\n", output);
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (!IsFound(slot))
            continue;
        fputs(slots[slot]->suitable ? "YES " : "NO ", output);
        fputs(slots[slot]->exePath, output);
        fputs("\n", output);
    }
}

void VmTable::ProbeAndReport(const char* requirement)
{
    Search(requirement);
    PrintReport(stdout);
}

void VmTable::Search(const char* requirement)
{
    CreateKinds();
    LocateAll();
    CheckAll(requirement);
}
