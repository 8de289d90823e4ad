#include <gtest/gtest.h>

#ifdef RURE_TEST_CORE_APPLICATION
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#else
#include "support/GLDriverResidency.h"

#include <QApplication>
using TestApplication = QApplication;
#endif

#include <clocale>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    // libmpv refuses to run under any other numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    TestApplication::setOrganizationName(QStringLiteral("didirezoror-tests"));
    TestApplication::setApplicationName(QStringLiteral("rure-tests"));
    const int result = RUN_ALL_TESTS();
#ifndef RURE_TEST_CORE_APPLICATION
    rure::test::keepGLDriversLoaded();
#endif
    return result;
}
