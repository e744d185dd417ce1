#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"
#include "patchwell/download/small/testing/fake_small_fetcher.h"
#include "patchwell/platform/testing/platform_fakes.h"
#include "patchwell/update/core/services.h"

namespace patchwell::update {

// A temporary program folder (with a blank in its path) and fake services.
struct TestFolder {
    TestFolder() {
        EXPECT_TRUE(root.isValid());
        folder = root.filePath(QStringLiteral("my app"));
        EXPECT_TRUE(QDir().mkpath(folder));
    }

    QString Path(const QString& name) const { return folder + QStringLiteral("/") + name; }

    void Write(const QString& name, const QByteArray& content) const {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    bool Exists(const QString& name) const { return QFile::exists(Path(name)); }

    QTemporaryDir root;
    QString folder;
    platform::FakeProcessLauncher launcher;
    platform::FakeInstanceGuard guard;
    platform::FakeMessageBoxes messages;
    platform::FakeProgramLifetime lifetime;
    download::FakeSmallFetcher fetcher;
    platform::FakeFolderStorage storage;
    Services services{launcher,  guard,     messages, lifetime,     fetcher,
                      QString(), QString(), storage,  QStringList()};

    // The user's state folder of the tests, below the temporary folder.
    QString StateFolder() const { return root.filePath(QStringLiteral("state/patchwell")); }

    Services& Svc() {
        services.programFolder = folder;
        services.stateFolders = {StateFolder()};
        return services;
    }
};

}  // namespace patchwell::update
