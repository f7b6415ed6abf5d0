#pragma once

// What a test case needs of the machine beyond its build: an outside program (7zz, par2) or
// the super-user (a private mount, a file it cannot read). Without it a case is skipped on a
// developer's machine; with KAVEL32_TEST_STRICT=1 (CI, and scripts/test.sh run as root) it
// fails instead, so that nothing passes untested.

#include <QTest>

#define SKIP_OR_FAIL(why)                                                                          \
    do {                                                                                           \
        if (qEnvironmentVariableIntValue("KAVEL32_TEST_STRICT") == 1)                              \
            QFAIL(why);                                                                            \
        QSKIP(why);                                                                                \
    } while (false)
