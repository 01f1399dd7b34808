#pragma once

// A small test harness for the Windows programs run under Wine: cases,
// checks that report and go on, named rows for tables, a wait for another
// thread's progress, and a closing line with the exit code ctest reads.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace kiv::wintest {

struct Case
{
    const char* name;
    void (*run)();
};

inline std::vector<Case>& cases()
{
    static std::vector<Case> all;
    return all;
}

inline int& failedChecks()
{
    static int count = 0;
    return count;
}

inline std::string& currentRow()
{
    static std::string row;
    return row;
}

struct Register
{
    Register(const char* name, void (*run)()) { cases().push_back({name, run}); }
};

// Names the table row the following checks belong to.
class Row
{
public:
    explicit Row(std::string name) { currentRow() = std::move(name); }
    ~Row() { currentRow().clear(); }
};

inline std::string describe(const std::string& value)
{
    return '"' + value + '"';
}
inline std::string describe(const char* value)
{
    return describe(std::string(value ? value : "(null)"));
}
inline std::string describe(bool value)
{
    return value ? "true" : "false";
}
template <typename T>
std::string describe(const T& value)
{
    if constexpr (std::is_enum_v<T>)
        return std::to_string(static_cast<long long>(value));
    else if constexpr (std::is_arithmetic_v<T>)
        return std::to_string(value);
    else
        return "(value)";
}

inline bool report(bool ok, const std::string& what, const char* file, int line)
{
    if (!ok) {
        ++failedChecks();
        std::printf("FAIL %s%s%s at %s:%d\n", currentRow().c_str(), currentRow().empty() ? "" : ": ", what.c_str(),
                    file, line);
        std::fflush(stdout);
    }
    return ok;
}

template <typename A, typename B>
bool compare(const A& actual, const B& expected, const char* actualText, const char* expectedText, const char* file,
             int line)
{
    const bool ok = actual == expected;
    return report(ok,
                  ok ? std::string()
                     : std::string(actualText) + " == " + expectedText + " (got " + describe(actual) + ", want "
                           + describe(expected) + ")",
                  file, line);
}

// Polls until the condition holds, for up to a minute (a busy machine).
template <typename Condition>
bool waitFor(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Runs every case, or the one named by the first argument; prints the
// closing line and answers the process's exit code.
inline int runAll(int argc, char** argv)
{
    int ran = 0;
    for (const Case& c : cases()) {
        if (argc > 1 && std::string(argv[1]) != c.name)
            continue;
        std::printf("RUN  %s\n", c.name);
        std::fflush(stdout);
        const int before = failedChecks();
        c.run();
        std::printf("%s %s\n", failedChecks() == before ? "OK  " : "FAIL", c.name);
        ++ran;
    }
    if (ran == 0) {
        std::printf("FAIL: no test case ran\n");
        return 1;
    }
    if (failedChecks()) {
        std::printf("FAIL: %d failed checks in %d cases\n", failedChecks(), ran);
        return 1;
    }
    std::printf("PASS: %d cases\n", ran);
    return 0;
}

} // namespace kiv::wintest

#define WIN_TEST(name)                                                                                            \
    static void name();                                                                                           \
    static const kiv::wintest::Register name##Registered(#name, name);                                            \
    static void name()

#define CHECK(condition) kiv::wintest::report(bool(condition), #condition, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected) kiv::wintest::compare((actual), (expected), #actual, #expected, __FILE__, __LINE__)
#define WAIT_FOR(condition) kiv::wintest::report(kiv::wintest::waitFor([&] { return bool(condition); }), \
                                                 "waiting for " #condition, __FILE__, __LINE__)
