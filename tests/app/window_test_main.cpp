#include <gtest/gtest.h>

#include <QApplication>

// One application for every window test, as the program has.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kestrel Bay Software"));
    QApplication::setApplicationName(QStringLiteral("Ticksmith"));
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Ticksmith"));
    return RUN_ALL_TESTS();
}
