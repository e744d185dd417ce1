// The download control raises its own English texts whatever language the
// program runs in; the download window alone shows them translated, through
// the control's own translation of them.

#include <gtest/gtest.h>

#include "common/i18n/translations.h"
#include "patchwell/download/control/download_texts.h"
#include "patchwell/download/control/testing/core_fixture.h"

namespace {

using namespace patchwell::download;
using namespace patchwell::download::testing;

class ControlTextsInGerman : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        ASSERT_TRUE(common::InstallTranslation(QStringLiteral(PW_TRANSLATIONS_FOLDER),
                                               QStringLiteral("patchwell"), QStringLiteral("de")));
    }
    void TearDown() override { common::RemoveTranslations(); }
};

// The control's texts stay its own in German; every text it can raise and
// patchwell shows is translated by the control.
TEST_F(ControlTextsInGerman, TheControlRaisesItsOwnTextsAndTheWindowShowsEachInGerman) {
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(2500)));
    core.download();
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp"))},
                           Chunk("1 KB/S", "1 sec", 1024, 41),
                           Chunk("2 KB/S", "0 sec", 2048, 82),
                           Chunk("2.44 KB/S", "0 sec", 2500, 100),
                           Chunk("2.44 KB/S", "0 sec", 2500, 100),
                           {"DLComplete", "StatusChange:Download Successful!"}}));
    trace.clear();
    Answer failing = Answer::Make("HTTP/1.1 200 OK", Bytes(2500));
    failing.failAtChunk = 1;
    Probe(failing);
    core.download();
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ(Trace(trace.end() - 3, trace.end()),
              (Trace{"DLError:Error Downloading File from : http://127.0.0.1/files/setup.exe",
                     "StatusChange:Download Aborted Due To Error In Download!", "DLECode:1"}));

    namespace t = patchwell::download::texts;
    EXPECT_EQ(t::Shown(QStringLiteral("Opening %1 For DATA Input.").arg(Path("File1.tmp"))),
              Path("File1.tmp") + QStringLiteral(" wird zum Schreiben der Daten geöffnet."));
    // A figure filled in twice: the text with the most fixed text wins.
    EXPECT_EQ(t::Shown(QStringLiteral("2 min 5 sec")), QStringLiteral("2 min 5 s"));
    // What the control does not have is shown as it came.
    EXPECT_EQ(t::Shown(QStringLiteral("<b>server text</b>")), QStringLiteral("<b>server text</b>"));
    // Every text, raised with its parts filled in, is shown translated with
    // the same parts.
    const QString file = QStringLiteral("/tmp/a b");
    const QString figure = QStringLiteral("17");
    for (const char* text : t::All()) {
        const QString raised = t::English(text, file, figure);
        EXPECT_EQ(t::Shown(raised), t::Translated(text, file, figure)) << text;
        EXPECT_NE(t::Shown(raised), raised) << text;
    }
}

}  // namespace
