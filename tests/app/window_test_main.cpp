#include <gtest/gtest.h>

#include <QApplication>

// One application for every window test, as the program has.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // The tests need no display, and listing them (ctest's discovery) has none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication::setOrganizationName(QStringLiteral("Kestrel Bay Software"));
    QApplication::setApplicationName(QStringLiteral("Ticksmith"));
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Ticksmith"));
    return RUN_ALL_TESTS();
}
