#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>
#include <time.h>

// Every test program runs headless, in UTC and in US English, whatever the machine says, so that texts with
// dates and numbers compare the same everywhere. gtest_discover_tests may run the program outside CTest's
// environment, so the defaults are set here too.
int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ", "UTC");
    tzset();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
