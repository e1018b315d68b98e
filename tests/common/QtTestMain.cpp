// GoogleTest main for tests that need a Qt application. ZIMBREL_TEST_APPLICATION names its
// class: QGuiApplication (clipboard, fonts, painting) or QApplication (widgets, windows,
// dialogs).
#define ZIMBREL_HEADER_OF(name) <name>
#include ZIMBREL_HEADER_OF(ZIMBREL_TEST_APPLICATION)

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Tests never draw on a real screen; this also covers CTest's test discovery run.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ZIMBREL_TEST_APPLICATION app(argc, argv);
    return RUN_ALL_TESTS();
}
