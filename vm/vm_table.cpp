#include "vm/vm_table.h"

#include <windows.h>

#include <new>
#include <stdlib.h>
#include <string.h>

#include "payload/paths.h"
#include "payload/run_log.h"
#include "payload/text_buffer.h"
#include "vm/modern_kinds.h"
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

// Slots from here on hold the kinds added for today's installations. They
// often reach a VM that an earlier kind found already (one installer may
// write its own key, the JavaSoft keys and JAVA_HOME for the same JDK); such
// a VM is probed, reported and listed once, under the earlier slot. The original
// three kinds keep reporting what they find, as they always have.
static const int kFirstAddedSlot = 3;

// True when slot's executable is also that of an earlier found slot, letter
// case ignored.
static bool FoundInEarlierSlot(const VmTable& table, int slot)
{
    if (!table.IsFound(slot))
        return false;
    for (int earlier = 0; earlier < slot; ++earlier) {
        if (table.IsFound(earlier) &&
            _stricmp(table.slots[earlier]->exePath, table.slots[slot]->exePath) == 0)
            return true;
    }
    return false;
}

void VmTable::CreateKinds()
{
    slots[0] = new (std::nothrow) JdkLocator;
    slots[1] = new (std::nothrow) JreLocator;
    slots[2] = new (std::nothrow) MsVmLocator;
    slots[3] = new (std::nothrow) ModernJdkLocator;
    slots[4] = new (std::nothrow) OtherVendorLocator;
}

bool VmTable::IsFound(int slot) const
{
    return slots[slot] != NULL && slots[slot]->exePath[0] != '\0';
}

void VmTable::LocateAll()
{
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (slots[slot] == NULL)
            continue;
        LogLine("VM kind %d: looking", slot);
        slots[slot]->Locate();
        if (slot >= kFirstAddedSlot && FoundInEarlierSlot(*this, slot)) {
            LogLine("VM kind %d: %s, found by an earlier kind already", slot, slots[slot]->exePath);
            slots[slot]->exePath[0] = '\0';
        }
        LogLine("VM kind %d: %s", slot, IsFound(slot) ? slots[slot]->exePath : "not found");
    }
}

// Each probe has a capture file of its own in the run's folder.
static bool StartCheckInSlot(VmLocator* vm, int slot, const char* requirement)
{
    char captureName[16];
    char number[16];
    CopyText(captureName, sizeof captureName, "stdout");
    AppendText(captureName, sizeof captureName, _itoa(slot, number, 10));
    AppendText(captureName, sizeof captureName, ".tmp");
    return vm->StartCheck(requirement, captureName);
}

void VmTable::StartChecks(const char* requirement)
{
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (IsFound(slot))
            StartCheckInSlot(slots[slot], slot, requirement);
    }
}

bool VmTable::StartRuntimeCheck(const char* javaExe, const char* requirement)
{
    // A runtime of today: its class folder goes on the command line, since
    // a CLASSPATH that other software set may lack the current folder.
    if (slots[kRuntimeSlot] == NULL)
        slots[kRuntimeSlot] = new (std::nothrow) ModernJdkLocator;
    return slots[kRuntimeSlot] != NULL &&
           CopyText(slots[kRuntimeSlot]->exePath, kTextBufferSize, javaExe) &&
           StartCheckInSlot(slots[kRuntimeSlot], kRuntimeSlot, requirement);
}

bool VmTable::CollectChecks()
{
    bool all = true;
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (IsFound(slot) && !slots[slot]->CollectCheck())
            all = false;
    }
    return all;
}

void VmTable::StopChecks()
{
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (slots[slot] != NULL && slots[slot]->IsChecking())
            slots[slot]->StopCheck();
    }
}

bool VmTable::IsChecking() const
{
    return CountAnswered() < CountFound();
}

int VmTable::CountFound() const
{
    int found = 0;
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (IsFound(slot))
            ++found;
    }
    return found;
}

int VmTable::CountAnswered() const
{
    int answered = 0;
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (IsFound(slot) && !slots[slot]->IsChecking())
            ++answered;
    }
    return answered;
}

void VmTable::CheckAll(const char* requirement)
{
    StartChecks(requirement);
    while (!CollectChecks()) {
        HANDLE running[kVmSlots];
        DWORD count = 0;
        DWORD timeLeft = INFINITE;
        for (int slot = 0; slot < kVmSlots; ++slot) {
            if (slots[slot] == NULL || !slots[slot]->IsChecking())
                continue;
            running[count++] = slots[slot]->CheckHandle();
            if (slots[slot]->CheckTimeLeft() < timeLeft)
                timeLeft = slots[slot]->CheckTimeLeft();
        }
        WaitForMultipleObjects(count, running, FALSE, timeLeft);
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
    int found = CountFound();
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

void VmTable::StartSearch(const char* requirement)
{
    CreateKinds();
    LocateAll();
    StartChecks(requirement);
}
