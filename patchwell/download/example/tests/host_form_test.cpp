#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>

#include <memory>

#include "patchwell/download/control/download.h"
#include "ui_host_form.h"

namespace {

TEST(HostExample, TheFormBuiltByUicCarriesTheDesignedProperties) {
    static int argc = 1;
    static char name[] = "pw_download_example_test";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QWidget window;
    Ui::HostForm form;
    form.setupUi(&window);
    patchwell::download::DownLoad& dl1 = *form.dl1;
    EXPECT_EQ(dl1.objectName(), QStringLiteral("dl1"));
    EXPECT_EQ(dl1.Url(), QStringLiteral("http://127.0.0.1:8080/setup.bin"));
    EXPECT_EQ(dl1.SaveLocation(), QStringLiteral("/tmp/setup.bin"));
    EXPECT_EQ(dl1.CHUNK(), 2048);
    EXPECT_TRUE(dl1.PromptOverwrite());
    // Not in the form: the defaults.
    EXPECT_FALSE(dl1.KeepType());
    EXPECT_FALSE(dl1.OnlineCheck());
    EXPECT_EQ(dl1.size(), dl1.fixedPixelSize());

    // The example program itself reports the same values.
    QProcess program;
    program.start(QStringLiteral(PW_EXAMPLE_PROGRAM), {QStringLiteral("--properties")});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(program.readAllStandardOutput()),
              QStringLiteral(
                  "Url=http://127.0.0.1:8080/setup.bin\nCHUNK=2048\nSaveLocation=/tmp/setup.bin\n"
                  "KeepType=false\nOnlineCheck=false\nPromptOverwrite=true\n"));
}

}  // namespace
