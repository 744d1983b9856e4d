#pragma once

#include "app/setup.h"

#include <QApplication>
#include <QTest>

// A test's main(): the application as the program sets it up, then the test class.
#define LUMATIC_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char **argv) {                                                              \
        QApplication app(argc, argv);                                                              \
        lumatic::setUpApplication(app);                                                            \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
