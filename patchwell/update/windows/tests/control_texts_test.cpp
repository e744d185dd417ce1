// The download control raises its own English texts whatever language the
// program runs in; the download window alone shows them translated, through
// the table of control texts.

#include <gtest/gtest.h>

#include "common/i18n/translations.h"
#include "patchwell/download/control/download_codes.h"
#include "patchwell/download/control/download_texts.h"
#include "patchwell/download/control/progress_format.h"
#include "patchwell/download/control/testing/core_fixture.h"
#include "patchwell/update/core/control_texts.h"

namespace {

using namespace patchwell::download;
using namespace patchwell::download::testing;
using patchwell::update::ShownControlText;

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
// patchwell shows has its entry in the table, translated.
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

    EXPECT_EQ(ShownControlText(QStringLiteral("Opening %1 For DATA Input.").arg(Path("File1.tmp"))),
              Path("File1.tmp") + QStringLiteral(" wird zum Schreiben der Daten geöffnet."));
    // A figure filled in twice: the entry with the most fixed text wins.
    EXPECT_EQ(ShownControlText(QStringLiteral("2 min 5 sec")), QStringLiteral("2 min 5 s"));
    // What the table does not know is shown as it came.
    EXPECT_EQ(ShownControlText(QStringLiteral("<b>server text</b>")),
              QStringLiteral("<b>server text</b>"));

    namespace t = patchwell::download::texts;
    std::vector<QString> raised;
    // clang-format off
    const char* const fixed[] = {
        t::kInitiating, t::kAccepted, t::kInformationComplete, t::kUnauthorizedStatus,
        t::kDeniedStatus, t::kNotFound, t::kServerErrorStatus, t::kProbeCancelled,
        t::kHeadersFailedStatus, t::kNoConnectionStatus, t::kReceiving, t::kReceivingResumed,
        t::kPaused, t::kCancelled, t::kSuccessful, t::kAbortedStatus, t::kResumeFileMissingStatus,
        t::kResumeUnsupportedStatus, t::kUnpausing, t::kCancelling, t::kServerError,
        t::kOfflineNotice, t::kOverwriteTitle, t::kNewFileTitle, t::kNewFilePrompt,
        t::kNoFileTitle, t::kNoFile, t::kSameFileTitle, t::kSameFile};
    // clang-format on
    for (const char* text : fixed) {
        raised.push_back(QString::fromLatin1(text));
    }
    raised.push_back(QString::fromLatin1(t::kOpeningBefore) + QStringLiteral("/tmp/a b") +
                     QString::fromLatin1(t::kOpeningAfter));
    raised.push_back(QString::fromLatin1(t::kOverwriteBefore) + QStringLiteral("/tmp/a b") +
                     QString::fromLatin1(t::kOverwriteAfter));
    for (const ErrorCodeInfo& info : kErrorCodes) {
        raised.push_back(QString::fromLatin1(info.summary));
        if (info.errorText != nullptr) {
            raised.push_back(
                QString::fromLatin1(info.errorText) +
                (info.code == ErrorCode::TransferFailed ? QStringLiteral("http://x/") : QString()));
        }
    }
    for (const double rate : {700.0, 1536.0}) {
        raised.push_back(FormatRate(rate));
    }
    for (const float seconds : {42.0F, 125.0F, 3725.0F}) {
        raised.push_back(FormatTimeLeft(seconds));
    }
    for (const QString& text : raised) {
        EXPECT_NE(ShownControlText(text), text) << text.toStdString();
    }
}

}  // namespace
