// Named events as the single-instance guard uses them: a second create of a name that is held
// reports ERROR_ALREADY_EXISTS and still gives a handle.
#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.h"

namespace {

// Names of this process only, so that test programs running side by side do not meet.
std::string Named(const std::string& name) { return "oc-test-" + std::to_string(GetCurrentProcessId()) + "-" + name; }

struct Created {
    HANDLE handle;
    DWORD error;
};

Created Create(const char* name) {
    SetLastError(0xdead);
    HANDLE handle = CreateEventA(nullptr, TRUE, TRUE, name);
    return {handle, GetLastError()};
}

TEST(Events, SecondCreateOfAName) {
    struct Row {
        std::string first;
        std::string second;
        DWORD secondError;
    };
    const Row rows[] = {
        {Named("game"), Named("game"), ERROR_ALREADY_EXISTS},
        {Named("game"), Named("GAME"), ERROR_SUCCESS},  // names are case-sensitive
        {Named("\x95\x5c"), Named("\x95\x5c"), ERROR_ALREADY_EXISTS},  // 95 5C holds no backslash
        {Named("ns"), "Local\\" + Named("ns"), ERROR_ALREADY_EXISTS},  // the session's own namespace
        {Named("ns"), "Global\\" + Named("ns"), ERROR_SUCCESS},
        {Named(std::string(240, 'n')), Named(std::string(240, 'n')), ERROR_ALREADY_EXISTS},
        {Named(std::string(240, 'n')), Named(std::string(239, 'n') + "m"), ERROR_SUCCESS},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.first + " then " + row.second);
        Created first = Create(row.first.c_str());
        ASSERT_NE(nullptr, first.handle);
        EXPECT_EQ(ERROR_SUCCESS, first.error);
        Created second = Create(row.second.c_str());
        ASSERT_NE(nullptr, second.handle);
        EXPECT_EQ(row.secondError, second.error);
        EXPECT_TRUE(CloseHandle(second.handle));
        EXPECT_TRUE(CloseHandle(first.handle));
    }
}

TEST(Events, TheNameLivesWhileAnyHandleHoldsIt) {
    const std::string name = Named("held");
    Created first = Create(name.c_str());
    Created second = Create(name.c_str());
    ASSERT_NE(nullptr, second.handle);
    EXPECT_TRUE(CloseHandle(first.handle));
    Created third = Create(name.c_str());
    EXPECT_EQ(ERROR_ALREADY_EXISTS, third.error) << "the second handle still holds the name";
    EXPECT_TRUE(CloseHandle(second.handle));
    EXPECT_TRUE(CloseHandle(third.handle));
    Created fourth = Create(name.c_str());
    EXPECT_EQ(ERROR_SUCCESS, fourth.error);
    EXPECT_TRUE(CloseHandle(fourth.handle));
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(CloseHandle(fourth.handle));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(Events, UnnamedEventsNeverExist) {
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        Created first = Create(name);
        Created second = Create(name);
        ASSERT_NE(nullptr, first.handle);
        ASSERT_NE(nullptr, second.handle);
        EXPECT_NE(first.handle, second.handle);
        EXPECT_EQ(ERROR_SUCCESS, second.error);
        EXPECT_TRUE(CloseHandle(first.handle));
        EXPECT_TRUE(CloseHandle(second.handle));
    }
}

TEST(Events, NamesThatCannotBeCreated) {
    struct Row {
        std::string name;
        DWORD error;
    };
    const Row rows[] = {
        {Named("a\\b"), ERROR_PATH_NOT_FOUND},  // a namespace that does not exist
        {"local\\" + Named("x"), ERROR_PATH_NOT_FOUND},
        {std::string(MAX_PATH, 'q'), ERROR_FILENAME_EXCED_RANGE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Created created = Create(row.name.c_str());
        EXPECT_EQ(nullptr, created.handle);
        EXPECT_EQ(row.error, created.error);
    }
    Created longest = Create(std::string(MAX_PATH - 1, 'q').c_str());
    EXPECT_NE(nullptr, longest.handle);
    CloseHandle(longest.handle);
}

}  // namespace
