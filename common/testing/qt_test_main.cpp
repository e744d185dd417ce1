// The main function of a test program whose tests need a Qt application
// (widgets, pixmaps, icon themes): one QApplication on the offscreen platform.
// A test that closes its last window does not end the application's event
// loops. Variables Qt reads at start (QT_PLUGIN_PATH, ...) come from the
// test's ENV in project_add_gtest.

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Test discovery runs the binary without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
