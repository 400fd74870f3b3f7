// The VM kinds of one run, in five slots, and the operations over all of them.
#pragma once

class VmLocator;

const int kVmSlots = 5;

class VmTable {
public:
    VmTable() { Clear(); }
    ~VmTable() { DeleteKinds(); }

    void Clear();
    void DeleteKinds();
    void ProbeAndReport(const char* requirement);

    VmLocator* slots[kVmSlots];

private:
    VmTable(const VmTable&);
    VmTable& operator=(const VmTable&);
};
