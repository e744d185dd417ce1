#pragma once

// Makes keys and signatures with the real minisign tool, for tests.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace patchwell::signing::testing {

struct MinisignKey {
    QString publicFile;
    QString secretFile;
    QString publicKeyLine;  // the base64 line, as update.ini holds it
};

// Runs minisign with `arguments`; true when it exits 0.
inline bool RunMinisign(const QStringList& arguments) {
    QProcess process;
    process.setProgram(QStringLiteral("minisign"));
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A new key pair without a password in `folder`, files NAME.pub and NAME.key.
inline MinisignKey MakeKey(const QString& folder, const QString& name) {
    MinisignKey key;
    key.publicFile = QDir(folder).filePath(name + QStringLiteral(".pub"));
    key.secretFile = QDir(folder).filePath(name + QStringLiteral(".key"));
    if (!RunMinisign({QStringLiteral("-G"), QStringLiteral("-f"), QStringLiteral("-W"),
                      QStringLiteral("-p"), key.publicFile, QStringLiteral("-s"),
                      key.secretFile})) {
        return {};
    }
    QFile pub(key.publicFile);
    if (pub.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = pub.readAll().trimmed().split('\n');
        key.publicKeyLine = QString::fromLatin1(lines.last().trimmed());
    }
    return key;
}

// Signs `file` into FILE.minisig (pre-hashed unless `extra` holds "-l").
inline bool Sign(const MinisignKey& key, const QString& file, const QStringList& extra = {}) {
    return RunMinisign(QStringList{QStringLiteral("-S"), QStringLiteral("-s"), key.secretFile,
                                   QStringLiteral("-m"), file} +
                       extra);
}

}  // namespace patchwell::signing::testing
