// The process-wide state of the file layer, constructed before the program's entry runs.
#pragma once

#include <vector>

#include "platform/Platform.h"
#include "text/OCString.h"

// Directories whose pack archives are searched after the current directory's.
extern std::vector<OCString> searchDirectories;
// The pack name a header must carry to be searched; empty admits every pack.
extern OCString packName;
// The pack archives of the first directory that held any, in lstrcmpiA order.
extern std::vector<OCString> packFiles;
// Nonzero: a failed open without write access returns 0 without asking the user.
extern int quietOpen;
// The owner of message boxes whose caller names none.
extern HWND messageOwner;
