#include "tests/support/Hooks.h"

#include <cerrno>
#include <set>

#include "files/ProcessState.h"
#include "platform/Seam.h"

namespace {

std::vector<int> pendingAnswers;
std::vector<ShownMessage> shownMessages;

int AnswerDialog(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    shownMessages.push_back({owner, text ? text : "", caption ? caption : "", type});
    if (pendingAnswers.empty()) return 0;
    int answer = pendingAnswers.front();
    pendingAnswers.erase(pendingAnswers.begin());
    return answer;
}

int grantsLeft = -1;  // -1: every allocation is granted
std::set<LPVOID> outstandingPages;

LPVOID GivePages(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protection) {
    if (grantsLeft == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (grantsLeft > 0) --grantsLeft;
    LPVOID pages = ::VirtualAlloc(address, size, allocationType, protection);
    if (pages) outstandingPages.insert(pages);
    return pages;
}

BOOL ReleasePages(LPVOID address, SIZE_T size, DWORD freeType) {
    const BOOL released = ::VirtualFree(address, size, freeType);
    if (released) outstandingPages.erase(address);
    return released;
}

HANDLE RefuseList(LPCSTR, LPWIN32_FIND_DATAA) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

int writesToRefuse = 0;  // -1: every one

std::FILE* OpenUnlessWriting(const char* path, const char* mode) {
    const bool writing = mode && (mode[0] == 'w' || mode[0] == 'a');
    if (writing && writesToRefuse != 0) {
        if (writesToRefuse > 0) --writesToRefuse;
        SetLastError(ERROR_ACCESS_DENIED);
        errno = EACCES;
        return nullptr;
    }
    return ::_fsopen(path, mode, _SH_DENYNO);
}

}  // namespace

DialogAnswers::DialogAnswers(std::vector<int> answers) {
    pendingAnswers = std::move(answers);
    shownMessages.clear();
    seam::hooks().messageBox = AnswerDialog;
}

DialogAnswers::~DialogAnswers() { seam::hooks().messageBox = nullptr; }

const std::vector<ShownMessage>& DialogAnswers::Shown() const { return shownMessages; }

PageLedger::PageLedger(int granted) {
    grantsLeft = granted;
    outstandingPages.clear();
    seam::hooks().virtualAlloc = GivePages;
    seam::hooks().virtualFree = ReleasePages;
}

PageLedger::~PageLedger() {
    seam::hooks().virtualAlloc = nullptr;
    seam::hooks().virtualFree = nullptr;
    grantsLeft = -1;
}

std::size_t PageLedger::Outstanding() const { return outstandingPages.size(); }

RefuseListing::RefuseListing() { seam::hooks().findFirstFile = RefuseList; }

RefuseListing::~RefuseListing() { seam::hooks().findFirstFile = nullptr; }

RefuseWriting::RefuseWriting(int times) {
    writesToRefuse = times;
    seam::hooks().openFile = OpenUnlessWriting;
}

RefuseWriting::~RefuseWriting() { seam::hooks().openFile = nullptr; }

QuietOpen::QuietOpen() { quietOpen = 1; }

QuietOpen::~QuietOpen() { quietOpen = 0; }
