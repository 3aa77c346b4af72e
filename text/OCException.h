// The exceptions of the file and text layer.
#pragma once

#include <cstdint>

#include "text/OCString.h"

class OCException {
public:
    OCException() = default;
    explicit OCException(std::int32_t errorCode) : code(errorCode) {}
    OCException(const OCException& other) = default;
    virtual ~OCException() = default;

    std::int32_t code = -1;
};

// An error the caller cannot go on from, with a text for the user.
class OCErrorException : public OCException {
public:
    // code becomes the thread's last system error, or -1 when there is none.
    explicit OCErrorException(const char* text);
    OCErrorException(const OCErrorException& other) = default;

    OCString message;
};
