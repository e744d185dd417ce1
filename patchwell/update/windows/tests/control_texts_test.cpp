// The download control raises its own English texts whatever language the
// program runs in; the download window alone shows them translated, through
// the table of control texts.

#include <gtest/gtest.h>

#include <algorithm>

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

    // The shown text of every text event in the trace: each one translated.
    static void ExpectEveryTextTranslated(const Trace& events) {
        for (const std::string& event : events) {
            const auto colon = event.find(':');
            const std::string name = event.substr(0, colon);
            if (name != "StatusChange" && name != "DLError" && name != "Rate" &&
                name != "TimeLeft" && name != "MessageBox") {
                continue;
            }
            const QString text = QString::fromStdString(event.substr(colon + 1));
            EXPECT_NE(ShownControlText(text), text) << event;
        }
    }
};

TEST_F(ControlTextsInGerman, TheControlRaisesItsEnglishTextsAndTheWindowShowsThemInGerman) {
    const std::string url = "http://127.0.0.1/files/setup.exe";
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(2500)));
    core.download();
    const Trace success = trace;
    EXPECT_EQ(success, Join({{Opening(Path("File1.tmp"))},
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
    const Trace failure = trace;
    ASSERT_GE(failure.size(), 3u);
    EXPECT_EQ(Trace(failure.end() - 3, failure.end()),
              (Trace{"DLError:Error Downloading File from : " + url,
                     "StatusChange:Download Aborted Due To Error In Download!", "DLECode:1"}));

    trace.clear();
    env->log->answers.push_back(Answer::Make("HTTP/1.1 404 Not Found", "gone"));
    core.GetFileInformation();
    const Trace notFound = trace;
    EXPECT_NE(std::find(notFound.begin(), notFound.end(), "DLError:File Not Found!"),
              notFound.end());

    ExpectEveryTextTranslated(success);
    ExpectEveryTextTranslated(failure);
    ExpectEveryTextTranslated(notFound);
    EXPECT_EQ(ShownControlText(QStringLiteral("2.44 KB/S")), QStringLiteral("2.44 KB/s"));
    EXPECT_EQ(
        ShownControlText(QStringLiteral("Error Downloading File from : ") +
                         QString::fromStdString(url)),
        QStringLiteral("Fehler beim Herunterladen der Datei von: ") + QString::fromStdString(url));
    // A figure filled in twice: the entry with the most fixed text wins.
    EXPECT_EQ(ShownControlText(QStringLiteral("2 min 5 sec")), QStringLiteral("2 min 5 s"));
    // What the table does not know is shown as it came.
    EXPECT_EQ(ShownControlText(QStringLiteral("<b>server text</b>")),
              QStringLiteral("<b>server text</b>"));
}

// Every text the control can raise and patchwell shows has its entry.
TEST_F(ControlTextsInGerman, EveryTextOfTheControlHasItsShownText) {
    namespace t = patchwell::download::texts;
    std::vector<QString> raised;
    for (const char* text : {t::kInitiating,
                             t::kAccepted,
                             t::kInformationComplete,
                             t::kUnauthorizedStatus,
                             t::kDeniedStatus,
                             t::kNotFound,
                             t::kServerErrorStatus,
                             t::kProbeCancelled,
                             t::kHeadersFailedStatus,
                             t::kNoConnectionStatus,
                             t::kReceiving,
                             t::kReceivingResumed,
                             t::kPaused,
                             t::kCancelled,
                             t::kSuccessful,
                             t::kAbortedStatus,
                             t::kResumeFileMissingStatus,
                             t::kResumeUnsupportedStatus,
                             t::kUnpausing,
                             t::kCancelling,
                             t::kServerError,
                             t::kOfflineNotice,
                             t::kOverwriteTitle,
                             t::kNewFileTitle,
                             t::kNewFilePrompt,
                             t::kNoFileTitle,
                             t::kNoFile,
                             t::kSameFileTitle,
                             t::kSameFile}) {
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
