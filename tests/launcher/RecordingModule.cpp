// A game module for the launcher's tests: run records what it receives, calls the test's
// callback if one was set and returns at once.
#include <cstring>

#include "tests/launcher/RunRecord.h"

namespace {

RunRecord record;
DuringRunFunction duringRun = nullptr;

}  // namespace

// run under its decorated name: as the alias on the host, through RecordingModule.def on Windows.
extern "C" int WINAPI oc_alias__3Frun_40_40YGHPAUHINSTANCE_5F_5F_40_40HPBD_40Z(HINSTANCE instance, int showCommand,
                                                                               LPCSTR title) {
    ++record.calls;
    record.instance = instance;
    record.showCommand = showCommand;
    record.titleIsNull = title == nullptr;
    record.title[0] = '\0';
    if (title) std::strncat(record.title, title, sizeof record.title - 1);
    if (duringRun) duringRun();
    return 0;
}

extern "C" RunRecord* RecordedRun() { return &record; }

extern "C" void CallDuringRun(DuringRunFunction callback) { duringRun = callback; }
