#include "files/pack/PackList.h"

#include <algorithm>

#include "files/ProcessState.h"
#include "platform/Seam.h"
#include "text/OCString.h"

void ScanPackFiles(const char* directory) {
    OCString pattern(directory);
    pattern.Append("\\*.pak");
    packFiles.clear();
    WIN32_FIND_DATAA found;
    HANDLE search = seam::FindFirstFileA(pattern.GetText(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            OCString path;
            path.Format("%s\\%s", directory, found.cFileName);
            packFiles.push_back(path);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(packFiles.begin(), packFiles.end(), [](const OCString& earlier, const OCString& later) {
        return lstrcmpiA(earlier.GetText(), later.GetText()) < 0;
    });
}
