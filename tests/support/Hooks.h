// Seam hooks for tests: each object installs its hook for its own lifetime.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

struct ShownMessage {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Answers message boxes with the given buttons in turn, then with 0 (no button could be
// shown), and records each box.
class DialogAnswers {
public:
    explicit DialogAnswers(std::vector<int> answers);
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;
    ~DialogAnswers();

    const std::vector<ShownMessage>& Shown() const;
};

// Refuses every page allocation while it lives.
class RefusePages {
public:
    RefusePages();
    RefusePages(const RefusePages&) = delete;
    RefusePages& operator=(const RefusePages&) = delete;
    ~RefusePages();
};
