// Path tests of the file layer. Paths use the backslash; a two-byte character whose second
// byte is 0x5C is never taken for one.
#pragma once

int FileExists(const char* path);
int EndsWithSeparator(const char* path);
int IsAbsolutePath(const char* path);
// Creates every directory along path; failures show up when the file is opened.
void CreateDirectories(const char* path);

// The last character of path that is a backslash, or null.
const char* LastSeparator(const char* path);
