#include "fuzz/Target.h"

namespace fuzz {

namespace {

std::vector<Target>& Registered() {
    static std::vector<Target> targets;
    return targets;
}

}  // namespace

bool Register(const Target& target) {
    Registered().push_back(target);
    return true;
}

const std::vector<Target>& Targets() { return Registered(); }

}  // namespace fuzz
