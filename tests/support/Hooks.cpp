#include "tests/support/Hooks.h"

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

LPVOID RefuseAllocation(LPVOID, SIZE_T, DWORD, DWORD) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

}  // namespace

DialogAnswers::DialogAnswers(std::vector<int> answers) {
    pendingAnswers = std::move(answers);
    shownMessages.clear();
    seam::hooks().messageBox = AnswerDialog;
}

DialogAnswers::~DialogAnswers() { seam::hooks().messageBox = nullptr; }

const std::vector<ShownMessage>& DialogAnswers::Shown() const { return shownMessages; }

RefusePages::RefusePages() { seam::hooks().virtualAlloc = RefuseAllocation; }

RefusePages::~RefusePages() { seam::hooks().virtualAlloc = nullptr; }
