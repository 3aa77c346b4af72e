// Every array allocation of the text tests goes through here. Each block carries guard
// bytes of 0xCC behind the size asked for, checked when it is released; the no-throw form,
// which the string and the stream allocate with, can be refused.
#pragma once

namespace testheap {

// Blocks released so far with a guard byte overwritten. The program fails at its end
// when there is any.
int OverrunBlocks();

// Refuses no-throw array allocations while it lives, after letting `granted` through.
class RefuseAllocations {
public:
    explicit RefuseAllocations(int granted = 0);
    RefuseAllocations(const RefuseAllocations&) = delete;
    RefuseAllocations& operator=(const RefuseAllocations&) = delete;
    ~RefuseAllocations();

    // Allocations refused so far by this object.
    int Refused() const;
};

}  // namespace testheap
