// Qt Designer itself, under Xvfb with openbox, started with the build's
// plugin folder: it loads our plugin and builds a form that holds a DownLoad
// with the control's own face. The last screenshot is kept in the build folder
// (PW_SCREENSHOT_DIR), wherever the test is started from.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>
#include <iostream>

#include "common/testing/desktop/test_desktop.h"
#include "common/testing/wait_for.h"

namespace {

// Pixels of the face's blue tile (45, 110, 200) in an image.
int FacePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - 45) <= 6 && std::abs(c.green() - 110) <= 6 &&
                std::abs(c.blue() - 200) <= 6) {
                ++count;
            }
        }
    }
    return count;
}

TEST(DesignerEndToEnd, DesignerLoadsThePluginAndShowsTheControlOnAForm) {
#ifdef PW_SANITIZED_PLUGIN
    GTEST_SKIP() << "the system's Designer cannot load a sanitizer-built plugin";
#endif
    static int argc = 1;
    static char name[] = "pw_download_designer_e2e_test";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    pwtest::XDesktop desktop;
    ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString form = scratch.filePath(QStringLiteral("host.ui"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(PW_TEST_FORMS "/all_saved_properties.ui"), form));

    QProcessEnvironment environment = desktop.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(PW_PLUGIN_ROOT));
    environment.insert(QStringLiteral("QT_DEBUG_PLUGINS"), QStringLiteral("1"));
    QProcess designer;
    designer.setProcessEnvironment(environment);
    designer.setProcessChannelMode(QProcess::MergedChannels);
    designer.start(QLibraryInfo::path(QLibraryInfo::BinariesPath) + QStringLiteral("/designer"),
                   {form});
    ASSERT_TRUE(designer.waitForStarted(10000)) << designer.errorString().toStdString();

    const QString shot =
        QDir(QStringLiteral(PW_SCREENSHOT_DIR)).filePath(QStringLiteral("designer_e2e.png"));
    int face = 0;
    const bool shown = pwtest::waitFor(
        [&] {
            if (desktop.windowsOfPid(designer.processId()).empty()) {
                return false;
            }
            if (!desktop
                     .run(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"), shot})
                     .ok()) {
                return false;
            }
            face = FacePixels(QImage(shot));
            return face >= 300;  // the 32 x 32 face, less its arrow and rim
        },
        std::chrono::seconds(40));
    designer.terminate();
    if (!designer.waitForFinished(5000)) {
        designer.kill();
        designer.waitForFinished(5000);
    }
    const QString log = QString::fromLocal8Bit(designer.readAll());
    EXPECT_TRUE(shown) << "face pixels: " << face << ", screenshot: " << shot.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral(PW_DESIGNER_PLUGIN "\" loaded library")))
        << log.right(3000).toStdString();
    std::cout << "screenshot: " << shot.toStdString() << '\n';
}

}  // namespace
