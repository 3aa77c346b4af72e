// What the tests' game module saw of its run call, read by the tests through RecordedRun.
#pragma once

#include "platform/Platform.h"

struct RunRecord {
    int calls;
    HINSTANCE instance;
    int showCommand;
    int titleIsNull;
    char title[256];  // cut to fit
};

using RecordedRunFunction = RunRecord* (*)();
// A test's check while run runs, inside the launcher's call.
using DuringRunFunction = void (*)();
using CallDuringRunFunction = void (*)(DuringRunFunction callback);
