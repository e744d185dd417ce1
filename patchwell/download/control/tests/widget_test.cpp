#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLocale>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

#include "download.h"
#include "fakes.h"

namespace patchwell::download::testing {
namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "pw_download_widget_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] auto* const kQt =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

TEST(DownLoadWidget, KeepsItsFixedSize) {
    Trace trace;
    DownLoad widget(std::make_shared<FakeEnvironment>(&trace));
    const QSize wanted(static_cast<int>(std::lround(480 * widget.logicalDpiX() / 1440.0)),
                       static_cast<int>(std::lround(480 * widget.logicalDpiY() / 1440.0)));
    EXPECT_EQ(widget.fixedPixelSize(), wanted);
    if (widget.logicalDpiX() == 96 && widget.logicalDpiY() == 96) {
        EXPECT_EQ(wanted, QSize(32, 32));
    }
    EXPECT_EQ(widget.size(), wanted);
    widget.show();
    for (const QSize& size : {QSize(200, 100), QSize(1, 1), QSize(32, 64)}) {
        widget.resize(size);
        EXPECT_EQ(widget.size(), wanted);
    }
    widget.setGeometry(10, 10, 300, 300);
    EXPECT_EQ(widget.size(), wanted);
}

TEST(DownLoadWidget, DrawsItsFace) {
    Trace trace;
    DownLoad widget(std::make_shared<FakeEnvironment>(&trace));
    const QImage face = widget.grab().toImage();
    ASSERT_FALSE(face.isNull());
    const int w = face.width();
    const int h = face.height();
    // Blue tile at the left edge, white arrow in the middle of the top half.
    const QColor edge = face.pixelColor(w * 3 / 32, h / 2);
    const QColor arrow = face.pixelColor(w / 2, h * 9 / 32);
    EXPECT_GT(edge.blue(), 150);
    EXPECT_LT(edge.red(), 100);
    EXPECT_EQ(arrow, QColor(Qt::white));
}

TEST(DownLoadWidget, ForwardsPropertiesMethodsAndEventsInOrder) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Trace coreTrace;
    Trace widgetTrace;
    auto env = std::make_shared<FakeEnvironment>(&widgetTrace);
    DownLoad widget(env);
    RecordEvents(&widget.core(), &coreTrace);
    RecordEvents(&widget, &widgetTrace);

    widget.setUrl(QStringLiteral("http://127.0.0.1/files/patch.zip"));
    widget.setSaveLocation(dir.filePath(QStringLiteral("update.tmp")));
    widget.setCHUNK(1000);
    widget.setKeepType(true);
    widget.setROLLBACK(5);
    EXPECT_EQ(widget.core().Url(), QStringLiteral("http://127.0.0.1/files/patch.zip"));
    EXPECT_EQ(widget.core().CHUNK(), 1000);
    EXPECT_EQ(widget.property("ROLLBACK").toInt(), 5);
    EXPECT_TRUE(widget.property("KeepType").toBool());

    env->log->answers.push_back(Answer::Make("HTTP/1.1 200 OK", Bytes(2500)));
    widget.GetFileInformation();
    EXPECT_EQ(widget.FileSize(), 2500);
    EXPECT_TRUE(widget.ResumeSupported());
    EXPECT_EQ(widget.AResume(), widget.ResumeSupported());
    widget.Pause(false);
    widget.download();
    widget.Cancel();
    EXPECT_TRUE(widget.CCancel());

    ASSERT_EQ(coreTrace.size(), 28u);  // probe 3, unpause 1, open 1, 4 chunks, end 2, cancel 1
    EXPECT_EQ(widgetTrace, coreTrace);
    EXPECT_EQ(widgetTrace.front(), "StatusChange:Initiating Connection.");
    EXPECT_EQ(widgetTrace[4], "StatusChange:Opening " +
                                  dir.filePath(QStringLiteral("update.zip")).toStdString() +
                                  " For DATA Input.");
    EXPECT_EQ(widgetTrace[widgetTrace.size() - 2], "StatusChange:Download Successful!");

    MemoryPropertyBag bag;
    widget.WriteProperties(bag);
    EXPECT_EQ(bag.size(), 4);  // URL, CHUNK, SaveLocation, KeepType
    widget.InitProperties();
    widget.ReadProperties(MemoryPropertyBag{});
    EXPECT_FALSE(widget.KeepType());
}

}  // namespace
}  // namespace patchwell::download::testing
