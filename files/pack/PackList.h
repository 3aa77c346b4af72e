// The pack archives of a directory, listed into packFiles.
#pragma once

// Replaces packFiles with the directory's .pak files ("directory\name"), in lstrcmpiA
// order. directory has no trailing backslash. A directory that cannot be listed gives an
// empty list.
void ScanPackFiles(const char* directory);
