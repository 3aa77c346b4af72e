#include "files/OCFile.h"

// No pack archives are searched yet.
int OCFile::FindInPacks(const char*, const char*) {
    Close();
    return 0;
}
