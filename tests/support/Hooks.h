// Seam hooks and process-wide switches for tests and fuzz targets: each object sets its own
// for its lifetime.
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

// Keeps account of the page blocks given and released while it lives, and refuses every
// page allocation after the first `granted` (none refused for -1).
class PageLedger {
public:
    explicit PageLedger(int granted = -1);
    PageLedger(const PageLedger&) = delete;
    PageLedger& operator=(const PageLedger&) = delete;
    ~PageLedger();

    // Blocks given and not released yet.
    std::size_t Outstanding() const;
};

// Every directory listing fails with ERROR_ACCESS_DENIED while it lives.
class RefuseListing {
public:
    RefuseListing();
    RefuseListing(const RefuseListing&) = delete;
    RefuseListing& operator=(const RefuseListing&) = delete;
    ~RefuseListing();
};

// The runtime refuses to open files for writing or appending (ERROR_ACCESS_DENIED), the
// first `times` of them while it lives (all of them for -1); reading is left alone.
class RefuseWriting {
public:
    explicit RefuseWriting(int times = -1);
    RefuseWriting(const RefuseWriting&) = delete;
    RefuseWriting& operator=(const RefuseWriting&) = delete;
    ~RefuseWriting();
};

// Failed opens for reading return 0 without asking while it lives.
class QuietOpen {
public:
    QuietOpen();
    QuietOpen(const QuietOpen&) = delete;
    QuietOpen& operator=(const QuietOpen&) = delete;
    ~QuietOpen();
};
