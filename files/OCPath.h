#pragma once

#include "text/OCString.h"

class OCPath {
public:
    virtual ~OCPath() = default;

    OCString& SetPath(const char* text);
    // The text before the last backslash; a path ending in a backslash, or without one, whole.
    void GetDirectory(OCString& out) const;

    OCString path;
};
