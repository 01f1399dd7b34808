#pragma once

#include <QTest>

// Runs a test helper that checks with QVERIFY, QCOMPARE or QTRY_*: a failed
// check returns from the helper only, so this ends the calling function (the
// row) too, before it uses what the helper did not find. For void functions.
#define TEST_STEP(call)                 \
    do {                                \
        call;                           \
        if (QTest::currentTestFailed()) \
            return;                     \
    } while (false)
