#include "vm/vm_table.h"

#include <windows.h>

#include <new>
#include <stdlib.h>
#include <string.h>

#include "payload/paths.h"
#include "payload/run_log.h"
#include "vm/modern_kinds.h"
#include "vm/real_path.h"
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
        if (slots[slot] == NULL)
            continue;
        slots[slot]->Locate();
        LogLine("VM kind %d: %s", slot, IsFound(slot) ? slots[slot]->exePath : "not found");
    }
    FindInstallations(*this);
}

// One installation, one folder: the JRE kind's jre.exe and the java.exe
// beside it are the same VM. Letter case is ignored.
static bool InSameFolder(const char* left, const char* right)
{
    const char* leftName = strrchr(left, '\\');
    const char* rightName = strrchr(right, '\\');
    return leftName != NULL && rightName != NULL && leftName - left == rightName - right &&
           _strnicmp(left, right, (size_t)(leftName - left)) == 0;
}

// The original kinds keep the path their keys give; the VMs after them are
// kept under their real paths already.
bool VmTable::IsKept(const char* realPath) const
{
    for (int slot = 0; slot < kRuntimeSlot; ++slot) {
        if (!IsFound(slot))
            continue;
        char kept[kTextBufferSize];
        if (slot >= kOriginalKinds ? InSameFolder(slots[slot]->exePath, realPath)
                                   : GetRealPath(slots[slot]->exePath, kept) &&
                                         InSameFolder(kept, realPath))
            return true;
    }
    return false;
}

void VmTable::Found(const char* javaExe)
{
    char realPath[kTextBufferSize];
    if (!GetRealPath(javaExe, realPath)) {
        LogLine("%s: its real path cannot be read", javaExe);
        return;
    }
    if (IsKept(realPath)) {
        LogLine("%s: listed already as %s", javaExe, realPath);
        return;
    }
    if (CountFound() >= kMostVms) {
        LogLine("%s: not listed, %d VMs are listed already", realPath, kMostVms);
        return;
    }
    for (int slot = kOriginalKinds; slot < kRuntimeSlot; ++slot) {
        if (slots[slot] != NULL)
            continue;
        slots[slot] = new (std::nothrow) ClassPathKind;
        if (slots[slot] != NULL && CopyText(slots[slot]->exePath, kTextBufferSize, realPath))
            LogLine("%s: listed as %s", javaExe, realPath);
        return;
    }
}

bool VmTable::IsLaneTaken(int lane) const
{
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (slots[slot] != NULL && slots[slot]->IsChecking() && lanes[slot] == lane)
            return true;
    }
    return false;
}

bool VmTable::StartCheckInSlot(int slot, const char* requirement)
{
    int lane = 0;
    while (IsLaneTaken(lane))
        ++lane;
    lanes[slot] = lane;
    char captureName[16];
    char number[16];
    CopyText(captureName, sizeof captureName, "stdout");
    AppendText(captureName, sizeof captureName, _itoa(lane, number, 10));
    AppendText(captureName, sizeof captureName, ".tmp");
    return slots[slot]->StartCheck(checkDir, requirement, captureName);
}

void VmTable::StartChecks(const char* workDir, const char* requirement)
{
    // Copied: the later probes start from CollectChecks.
    if (!CopyText(checkDir, sizeof checkDir, workDir))
        checkDir[0] = '\0';
    if (!CopyText(checkRequirement, sizeof checkRequirement, requirement))
        checkRequirement[0] = '\0';
    nextCheck = 0;
    CollectChecks();
}

bool VmTable::StartRuntimeCheck(const char* javaExe, const char* requirement)
{
    // A runtime of today: its class folder goes on the command line, since
    // a CLASSPATH that other software set may lack the current folder.
    if (slots[kRuntimeSlot] == NULL)
        slots[kRuntimeSlot] = new (std::nothrow) ClassPathKind;
    return slots[kRuntimeSlot] != NULL &&
           CopyText(slots[kRuntimeSlot]->exePath, kTextBufferSize, javaExe) &&
           StartCheckInSlot(kRuntimeSlot, requirement);
}

bool VmTable::CollectChecks()
{
    bool all = true;
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (IsFound(slot) && !slots[slot]->CollectCheck())
            all = false;
    }
    // The next probes start as earlier ones end.
    for (int running = CountRunning(); nextCheck < kVmSlots && running < kMostChecksAtOnce; ++nextCheck) {
        if (!IsFound(nextCheck))
            continue;
        StartCheckInSlot(nextCheck, checkRequirement);
        if (slots[nextCheck]->IsChecking())
            ++running;
    }
    return all && CountRunning() == 0 && nextCheck == kVmSlots;
}

void VmTable::StopChecks()
{
    nextCheck = kVmSlots;
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
        if (IsFound(slot) && !slots[slot]->IsChecking() && slot < nextCheck)
            ++answered;
    }
    return answered;
}

int VmTable::CountRunning() const
{
    int running = 0;
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (slots[slot] != NULL && slots[slot]->IsChecking())
            ++running;
    }
    return running;
}

void VmTable::CheckAll(const char* workDir, const char* requirement)
{
    StartChecks(workDir, requirement);
    while (!CollectChecks()) {
        HANDLE running[kMostChecksAtOnce + 1];
        DWORD count = 0;
        DWORD timeLeft = INFINITE;
        for (int slot = 0; slot < kVmSlots && count < kMostChecksAtOnce + 1; ++slot) {
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

void VmTable::ProbeAndReport(const char* workDir, const char* requirement)
{
    Search(workDir, requirement);
    PrintReport(stdout);
}

void VmTable::Search(const char* workDir, const char* requirement)
{
    CreateKinds();
    LocateAll();
    CheckAll(workDir, requirement);
}

void VmTable::StartSearch(const char* workDir, const char* requirement)
{
    CreateKinds();
    LocateAll();
    StartChecks(workDir, requirement);
}
