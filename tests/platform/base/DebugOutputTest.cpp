#include "platform/base/DebugOutput.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

// Sets the debug-output variable for one test and puts back what was there.
class ScopedVariable {
public:
    explicit ScopedVariable(const char* value) {
        if (const char* old = std::getenv(platform::kDebugOutputVariable)) {
            m_old = old;
        }
        if (value != nullptr) {
            ::setenv(platform::kDebugOutputVariable, value, 1);
        } else {
            ::unsetenv(platform::kDebugOutputVariable);
        }
    }
    ~ScopedVariable() {
        if (m_old) {
            ::setenv(platform::kDebugOutputVariable, m_old->c_str(), 1);
        } else {
            ::unsetenv(platform::kDebugOutputVariable);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::optional<std::string> m_old;
};

std::string Stderr(const char16_t* text) {
    testing::internal::CaptureStderr();
    OutputDebugStringW(text);
    return testing::internal::GetCapturedStderr();
}

} // namespace

TEST(DebugOutput, HookReceivesEveryTextAndCanBeReplaced) {
    std::vector<std::u16string> first;
    std::vector<std::u16string> second;
    platform::SetDebugOutputHook([&](const WCHAR* t) { first.emplace_back(t); });
    OutputDebugStringW(u"one\n");
    OutputDebugStringW(nullptr); // nothing to write
    OutputDebugStringW(u"");
    const platform::DebugOutputHook previous =
        platform::SetDebugOutputHook([&](const WCHAR* t) { second.emplace_back(t); });
    ASSERT_TRUE(previous);
    OutputDebugStringW(u"two\n");
    EXPECT_FALSE(platform::SetDebugOutputHook({}) == nullptr);
    OutputDebugStringW(u"three\n"); // no hook any more
    EXPECT_EQ(first, (std::vector<std::u16string>{u"one\n", u""}));
    EXPECT_EQ(second, (std::vector<std::u16string>{u"two\n"}));
}

TEST(DebugOutput, StandardErrorOnlyWhenTheVariableSaysSo) {
    {
        ScopedVariable unset(nullptr);
        EXPECT_EQ(Stderr(u"quiet\n"), "");
    }
    {
        ScopedVariable off("0");
        EXPECT_EQ(Stderr(u"quiet\n"), "");
    }
    {
        ScopedVariable empty("");
        EXPECT_EQ(Stderr(u"quiet\n"), "");
    }
    {
        ScopedVariable on("1");
        EXPECT_EQ(Stderr(u"Stufe \u00e4\n"), "Stufe \xc3\xa4\n");
        // A hook does not keep the text from standard error.
        int calls = 0;
        platform::SetDebugOutputHook([&](const WCHAR*) { ++calls; });
        EXPECT_EQ(Stderr(u"both\n"), "both\n");
        platform::SetDebugOutputHook({});
        EXPECT_EQ(calls, 1);
    }
}

TEST(DebugOutput, WritersOnSeveralThreads) {
    std::atomic<int> calls{0};
    platform::SetDebugOutputHook([&](const WCHAR*) { ++calls; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 100; ++i) {
                OutputDebugStringW(u"x");
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    platform::SetDebugOutputHook({});
    EXPECT_EQ(calls.load(), 400);
}
