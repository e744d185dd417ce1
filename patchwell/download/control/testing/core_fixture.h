#pragma once

#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>

#include <memory>

#include "patchwell/download/control/download_core.h"
#include "patchwell/download/control/testing/control_fakes.h"

namespace patchwell::download::testing {

// A core on a fake environment whose events land in `trace`. The clock
// stands at 100 s, so a probe leaves StartTime at 99 and a chunk read at
// 100 s sees one second elapsed: the rate equals the bytes so far.
class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        ASSERT_TRUE(dir.isValid());
        RecordEvents(&core, &trace);
        core.setUrl(QStringLiteral("http://127.0.0.1/files/setup.exe"));
        core.setSaveLocation(Path("File1.tmp"));
    }

    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // Runs a probe that gets `answer` and forgets the events it raised.
    void Probe(Answer answer) {
        env->log->answers.push_back(std::move(answer));
        core.GetFileInformation();
        trace.clear();
        env->log->calls.clear();
    }

    Trace trace;
    std::shared_ptr<FakeEnvironment> env = std::make_shared<FakeEnvironment>(&trace);
    DownLoadCore core{env};
    QTemporaryDir dir;
};

}  // namespace patchwell::download::testing
