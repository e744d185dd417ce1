#include "patchwell/update/core/manifest/trust_state.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "common/ini/ini.h"
#include "common/ini/ini_format.h"
#include "common/process/private_folder.h"
#include "patchwell/platform/small_file.h"
#include "patchwell/platform/user_folders.h"
#include "patchwell/signing/minisign.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/signed_update.h"

Q_LOGGING_CATEGORY(lcTrust, "patchwell.update.trust")

namespace patchwell::update {

namespace {

const QString kUpdate = QStringLiteral("Update");
const QString kTrust = QStringLiteral("Trust");
// A state file is a few hundred bytes.
constexpr qint64 kMaxStateBytes = 64 << 10;
// More rotations than anyone makes; a file naming more is not one of ours.
constexpr int kMaxRetiredKeys = 256;
const QByteArray kHeader =
    "; The signing state of one patchwell installation; `patchwell --forget-key` in its\n"
    "; folder removes it.\n";

// The state files of one folder: the program folder's, then the address's.
QStringList StateFiles(const QString& stateFolder, const QString& programFolder,
                       const QString& checkUrl) {
    QStringList files{TrustStateFile(stateFolder, programFolder)};
    if (!checkUrl.isEmpty()) {
        files << TrustStateFileForAddress(stateFolder, checkUrl);
    }
    return files;
}

// A value that goes into a file and comes back the same: no control
// characters (a line break would start a line of its own) and short enough
// for the INI access to read whole.
bool Storable(const QString& value) {
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            return false;
        }
    }
    return value.toUtf8().size() <= static_cast<qsizetype>(common::kMaxValueBytes);
}

bool IsKey(const QString& text) {
    return signing::ParsePublicKey(text.toStdString()).has_value();
}

bool IsTime(const QString& text) {
    static const QRegularExpression digits(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{1,18}")));
    return text.isEmpty() || digits.match(text).hasMatch();
}

// Only keys and times go into a state: nothing else is ever read from one.
bool Sound(const TrustState& state) {
    if (!IsKey(state.publicKey) ||
        (!state.nextPublicKey.isEmpty() && !IsKey(state.nextPublicKey)) ||
        !IsTime(state.lastManifestTime) || state.retiredKeys.size() > kMaxRetiredKeys) {
        return false;
    }
    return std::all_of(state.retiredKeys.begin(), state.retiredKeys.end(), IsKey);
}

std::optional<QByteArray> StateText(const TrustState& state, const QString& folderNote,
                                    const QString& addressNote) {
    if (!Sound(state)) {
        return std::nullopt;
    }
    std::string text = kHeader.toStdString();
    bool whole = true;
    // The notes are left out when they cannot be kept as they are; a value
    // of the state never is.
    const auto put = [&](const QString& key, const QString& value, bool note) {
        if (value.isEmpty() || (!Storable(value) && note)) {
            return;
        }
        whole = whole && Storable(value) &&
                common::WriteValue(text, kTrust.toStdString(), key.toStdString(),
                                   '"' + value.toStdString() + '"');
    };
    put(QStringLiteral("folder"), folderNote, true);
    put(QStringLiteral("address"), addressNote, true);
    put(QStringLiteral("publickey"), state.publicKey, false);
    put(QStringLiteral("nextpublickey"), state.nextPublicKey, false);
    put(QStringLiteral("lastmanifesttime"), state.lastManifestTime, false);
    for (qsizetype i = 0; i < state.retiredKeys.size(); ++i) {
        put(QStringLiteral("retiredkey%1").arg(i + 1), state.retiredKeys.at(i), false);
    }
    if (!whole) {
        return std::nullopt;
    }
    return QByteArray::fromStdString(text);
}

// A state file as this version writes it, and nothing else: the values read
// must give back the very same bytes.
std::optional<TrustState> ParseState(const QByteArray& bytes) {
    const auto value = [&bytes](const QString& key) {
        return common::ReadIniValueFrom(bytes, kTrust, key);
    };
    TrustState state{value(QStringLiteral("publickey")),
                     value(QStringLiteral("nextpublickey")),
                     value(QStringLiteral("lastmanifesttime")),
                     {}};
    for (int i = 1; i <= kMaxRetiredKeys; ++i) {
        const QString retired = value(QStringLiteral("retiredkey%1").arg(i));
        if (retired.isEmpty()) {
            break;
        }
        state.retiredKeys << retired;
    }
    const std::optional<QByteArray> again =
        StateText(state, value(QStringLiteral("folder")), value(QStringLiteral("address")));
    if (!again || *again != bytes) {
        return std::nullopt;
    }
    return state;
}

// The line format of earlier versions began with the folder's raw path, so
// a folder named with a line break could add lines of its own. Such a file
// is read only when it is exactly what those versions wrote for this folder,
// and never for a folder whose name holds a control character.
QByteArray LineFormatText(const QString& realFolder, const TrustState& state) {
    QByteArray text =
        "# The signing state of one patchwell installation; `patchwell --forget-key` in its\n"
        "# folder removes it.\nfolder=" +
        realFolder.toUtf8() + "\npublickey=" + state.publicKey.toUtf8() + "\n";
    const auto line = [&text](const char* key, const QString& value) {
        if (!value.isEmpty()) {
            text += QByteArray(key) + '=' + value.toUtf8() + '\n';
        }
    };
    line("nextpublickey", state.nextPublicKey);
    line("lastmanifesttime", state.lastManifestTime);
    for (const QString& retired : state.retiredKeys) {
        line("retiredkey", retired);
    }
    return text;
}

std::optional<TrustState> ParseLineFormat(const QByteArray& bytes, const QString& realFolder) {
    if (!Storable(realFolder) || !bytes.startsWith("# ")) {
        return std::nullopt;
    }
    TrustState state;
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        const QByteArray key = line.left(eq);
        const QString value = QString::fromUtf8(line.mid(eq + 1));
        if (key == "publickey") {
            state.publicKey = value;
        } else if (key == "nextpublickey") {
            state.nextPublicKey = value;
        } else if (key == "lastmanifesttime") {
            state.lastManifestTime = value;
        } else if (key == "retiredkey") {
            state.retiredKeys << value;
        }
    }
    if (!Sound(state) || LineFormatText(realFolder, state) != bytes) {
        return std::nullopt;
    }
    return state;
}

long long SigningTime(const TrustState& state) {
    return state.lastManifestTime.toLongLong();
}

// Rotations only add retired keys and signing times only grow: the state
// with more of either is the later one.
bool FurtherOn(const TrustState& a, const TrustState& b) {
    if (a.retiredKeys.size() != b.retiredKeys.size()) {
        return a.retiredKeys.size() > b.retiredKeys.size();
    }
    return SigningTime(a) > SigningTime(b);
}

}  // namespace

TrustState AdvanceTrust(const TrustState& state, bool usedNext, long long signedAt,
                        const QString& announcedNext) {
    TrustState next = state;
    next.lastManifestTime = QString::number(signedAt);
    if (usedNext) {
        next.retiredKeys << state.publicKey;
        next.publicKey = state.nextPublicKey;
    }
    // Whatever the manifest says about the next key is its current word: a
    // manifest without one withdraws an announcement made earlier.
    next.nextPublicKey.clear();
    if (!announcedNext.isEmpty() && announcedNext != next.publicKey) {
        if (next.retiredKeys.contains(announcedNext)) {
            qCWarning(lcTrust) << "a retired key announced as next; not taken";
        } else {
            next.nextPublicKey = announcedNext;
        }
    }
    return next;
}

QString TrustStateFile(const QString& stateFolder, const QString& programFolder) {
    return QDir(stateFolder).filePath(InstallationStateName("trust-", programFolder));
}

QString TrustStateFileForAddress(const QString& stateFolder, const QString& checkUrl) {
    return QDir(stateFolder).filePath(HashedStateName("trust-address-", checkUrl));
}

std::optional<QByteArray> TrustStateText(const TrustState& state, const QString& programFolder,
                                         const QString& checkUrl) {
    return StateText(state, RealProgramFolder(programFolder), checkUrl);
}

TrustLoad LoadTrustState(const QStringList& stateFolders, const QString& programFolder,
                         const QString& checkUrl) {
    TrustLoad result;
    std::vector<TrustState> found;
    bool allCurrent = true;
    int files = 0;
    for (const QString& folder : stateFolders) {
        const QStringList paths = StateFiles(folder, programFolder, checkUrl);
        files += static_cast<int>(paths.size());
        if (!QFileInfo::exists(folder) && !QFileInfo(folder).isSymLink()) {
            continue;
        }
        // Someone who may write the folder, or rename one above it, could take
        // the file away, and the installation would fall back to what
        // update.ini says.
        if (!common::PrivateFolderPathProblem(folder).isEmpty()) {
            result.problem = Refusal{RefusalKind::UnusableTrustState, {paths.first()}};
            return result;
        }
        for (const QString& path : paths) {
            const platform::SmallFileRead read =
                platform::ReadSmallFile(path, kMaxStateBytes, true);
            if (read.kind == platform::SmallFileRead::Kind::Missing) {
                continue;
            }
            std::optional<TrustState> state;
            if (read.kind == platform::SmallFileRead::Kind::Read) {
                state = ParseState(read.bytes);
                if (!state) {
                    allCurrent = false;
                    state = ParseLineFormat(read.bytes, RealProgramFolder(programFolder));
                }
            }
            if (!state) {
                result.problem = Refusal{RefusalKind::UnusableTrustState, {path}};
                return result;
            }
            found.push_back(*state);
        }
    }
    for (const TrustState& state : found) {
        if (!result.state || FurtherOn(state, *result.state)) {
            result.state = state;
        }
    }
    result.everywhere = allCurrent && static_cast<int>(found.size()) == files &&
                        std::all_of(found.begin(), found.end(), [&result](const TrustState& state) {
                            return state == *result.state;
                        });
    return result;
}

bool SaveTrustState(const QStringList& stateFolders, const QString& programFolder,
                    const QString& checkUrl, const TrustState& state) {
    const std::optional<QByteArray> text = TrustStateText(state, programFolder, checkUrl);
    if (!text) {
        qCWarning(lcTrust) << "a signing state that cannot be written as it is";
        return false;
    }
    // The first folder is this run's own and must hold the state; the others
    // are kept up to date where they can be (a home folder that cannot be
    // written does not stop the updates), and the furthest state wins when
    // they are read.
    for (qsizetype i = 0; i < stateFolders.size(); ++i) {
        const QString& folder = stateFolders.at(i);
        QString problem = common::MakePrivateFolder(folder, platform::UserFolderRules());
        if (problem.isEmpty()) {
            problem = common::PrivateFolderPathProblem(folder);
        }
        bool written = problem.isEmpty();
        for (const QString& path : StateFiles(folder, programFolder, checkUrl)) {
            QSaveFile file(path);
            file.setDirectWriteFallback(false);
            written = written && file.open(QIODevice::WriteOnly) &&
                      ::fchmod(file.handle(), 0600) == 0 && file.write(*text) == text->size() &&
                      file.flush() && file.commit();
        }
        if (!written) {
            qCWarning(lcTrust) << "the signing state could not be kept in" << folder << problem;
            if (i == 0) {
                return false;
            }
        }
    }
    return true;
}

bool MirrorTrustIntoIni(const QString& programFolder, const TrustState& state) {
    const TrustState ini = ReadSigningState(programFolder);
    std::vector<common::IniChange> changes;
    const auto keep = [&](const QString& is, const QString& should, const char* key) {
        if (is != should) {
            changes.push_back({kUpdate, QString::fromLatin1(key),
                               should.isEmpty() ? std::nullopt : std::optional<QString>(should)});
        }
    };
    keep(ini.publicKey, state.publicKey, "publickey");
    keep(ini.nextPublicKey, state.nextPublicKey, "nextpublickey");
    keep(ini.lastManifestTime, state.lastManifestTime, "lastmanifesttime");
    return changes.empty() || common::WriteIniValues(changes, LocalManifestPath(programFolder));
}

TrustInForce EstablishTrust(Services& services) {
    TrustInForce result;
    const QString checkUrl = common::ReadIniValue(kUpdate, QStringLiteral("verchckurl"),
                                                  LocalManifestPath(services.programFolder));
    const auto record = [&](const TrustState& state) {
        if (SaveTrustState(services.stateFolders, services.programFolder, checkUrl, state)) {
            return true;
        }
        result.refusal =
            Refusal{RefusalKind::TrustNotRecorded,
                    {TrustStateFile(services.stateFolders.value(0), services.programFolder)}};
        return false;
    };
    TrustLoad kept = LoadTrustState(services.stateFolders, services.programFolder, checkUrl);
    if (kept.problem) {
        result.refusal = kept.problem;
        return result;
    }
    if (!kept.state) {
        const TrustState ini = ReadSigningState(services.programFolder);
        if (ini.publicKey.isEmpty()) {
            return result;  // never under a key: signed updates stay off
        }
        // A key or time that cannot be read is refused, not kept: once kept,
        // mending update.ini would no longer mend it. A next key that is no
        // key could never verify anything and is left out.
        if (!IsKey(ini.publicKey)) {
            result.refusal = Refusal{RefusalKind::MalformedKey};
            return result;
        }
        if (!IsTime(ini.lastManifestTime)) {
            result.refusal = Refusal{RefusalKind::BadRecordedTime};
            return result;
        }
        kept.state = TrustState{ini.publicKey,
                                IsKey(ini.nextPublicKey) ? ini.nextPublicKey : QString(),
                                ini.lastManifestTime,
                                {}};
        if (!record(*kept.state)) {
            return result;
        }
        qCInfo(lcTrust) << "the key of update.ini is kept from now on";
    } else if (!kept.everywhere && !record(*kept.state)) {
        // Found by the address only, in one state folder only, or in the
        // format of an earlier version: kept in every place from now on.
        return result;
    }
    if (!MirrorTrustIntoIni(services.programFolder, *kept.state)) {
        qCWarning(lcTrust) << "the signing keys could not be written back into update.ini";
    }
    result.state = kept.state;
    return result;
}

ForgetOutcome ForgetTrust(const QStringList& stateFolders, const QString& programFolder) {
    const QString checkUrl = common::ReadIniValue(kUpdate, QStringLiteral("verchckurl"),
                                                  LocalManifestPath(programFolder));
    const TrustLoad kept = LoadTrustState(stateFolders, programFolder, checkUrl);
    const TrustState ini = ReadSigningState(programFolder);
    const QString key = kept.state ? kept.state->publicKey : ini.publicKey;
    std::vector<common::IniChange> changes;
    if (!key.isEmpty() && ini.publicKey == key) {
        for (const char* name : {"publickey", "nextpublickey", "lastmanifesttime"}) {
            changes.push_back({kUpdate, QString::fromLatin1(name), std::nullopt});
        }
    }
    bool hadFile = false;
    bool removed = true;
    for (const QString& folder : stateFolders) {
        for (const QString& path : StateFiles(folder, programFolder, checkUrl)) {
            if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
                hadFile = true;
                removed = QFile::remove(path) && removed;
            }
        }
    }
    if (!removed ||
        (!changes.empty() && !common::WriteIniValues(changes, LocalManifestPath(programFolder)))) {
        return {ForgetOutcome::Kind::NotRemoved, RealProgramFolder(programFolder)};
    }
    return {hadFile || !changes.empty() ? ForgetOutcome::Kind::Forgotten
                                        : ForgetOutcome::Kind::NoneKept,
            RealProgramFolder(programFolder)};
}

}  // namespace patchwell::update
