#include "files/ProcessState.h"

// One translation unit, so the objects are constructed in this order and destroyed in reverse.
std::vector<OCString> searchDirectories;
OCString packName;
std::vector<OCString> packFiles;
int quietOpen = 0;
HWND messageOwner = nullptr;
