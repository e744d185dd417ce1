// patchwell-delta: makes the binary patches and compressed installers that
// patchwell-publish lists in a manifest, and applies them with the code and
// the limits patchwell itself applies them with.
//
//   patchwell-delta make [--level N] OLD NEW OUT
//   patchwell-delta compress [--level N] IN OUT
//   patchwell-delta apply [--limit BYTES] BASE|- PATCH OUT|-
//   patchwell-delta --help | --version
//
// OUT appears under its name only once it is complete: it is written beside
// it under a hidden temporary name, which a failure or a termination signal
// removes. Exit status: 0 done, 1 failed, 2 usage error.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/cli/cli_parser.h"
#include "common/i18n/translations.h"
#include "patchwell/patch/zstd_patch.h"

namespace {

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

// "patchwell-delta: " and the reason on stderr; the run has failed.
int Fail(const QString& reason) {
    Print(stderr, QStringLiteral("patchwell-delta: ") + reason + u'\n');
    return 1;
}

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

std::string Local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The temporary file's path, for the signal handler, which may only unlink.
char g_pendingPath[4096];

void RemovePendingAndRaise(int signalNumber) {
    if (g_pendingPath[0] != '\0') {
        ::unlink(g_pendingPath);
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// The output of a run: a temporary file beside the final name, renamed onto
// it once complete, removed otherwise. "-" is standard output itself.
class PendingOutput {
public:
    explicit PendingOutput(const QString& path) : final_(path) {
        if (path == QStringLiteral("-")) {
            fd_ = STDOUT_FILENO;
            return;
        }
        const QFileInfo info(path);
        const std::string pattern =
            Local(info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
        if (pattern.size() >= sizeof g_pendingPath) {
            error_ = ENAMETOOLONG;
            return;
        }
        std::memcpy(g_pendingPath, pattern.c_str(), pattern.size() + 1);
        for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
            std::signal(signalNumber, RemovePendingAndRaise);
        }
        fd_ = ::mkostemp(g_pendingPath, O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            g_pendingPath[0] = '\0';
            return;
        }
        // Files to upload: readable by others as the user's umask allows,
        // not only by the owner as mkostemp makes them.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd_, 0666 & ~mask) != 0) {
            error_ = errno;
        }
    }

    ~PendingOutput() {
        if (fd_ >= 0 && fd_ != STDOUT_FILENO) {
            ::close(fd_);
        }
        Drop();
    }

    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    int fd() const { return fd_; }
    // errno of the failed creation, 0 when it was made.
    int error() const { return error_; }

    // Puts the complete file under its name; false (errno set) when that
    // failed, and the temporary file is gone.
    bool Commit() {
        if (fd_ == STDOUT_FILENO) {
            return true;
        }
        const bool synced = ::fsync(fd_) == 0;
        int saved = errno;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (synced && !closed) {
            saved = errno;
        }
        const bool done = synced && closed && ::rename(g_pendingPath, Local(final_).c_str()) == 0;
        if (synced && closed) {
            saved = errno;
        }
        if (done) {
            g_pendingPath[0] = '\0';
        }
        Drop();
        errno = saved;
        return done;
    }

private:
    void Drop() {
        if (g_pendingPath[0] != '\0') {
            ::unlink(g_pendingPath);
            g_pendingPath[0] = '\0';
        }
    }

    QString final_;
    int fd_ = -1;
    int error_ = 0;
};

// An input file, opened read-only; a regular file, since the window of a
// frame is chosen from the sizes.
class Input {
public:
    explicit Input(const QString& path) : fd_(::open(Local(path).c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
            problem_ = QCoreApplication::translate("patchwell::patch::delta", "cannot read %1: %2")
                           .arg(path, SystemError(errno));
        } else if (!S_ISREG(st.st_mode)) {
            problem_ =
                QCoreApplication::translate("patchwell::patch::delta", "%1 is not a regular file")
                    .arg(path);
        } else {
            size_ = static_cast<std::uint64_t>(st.st_size);
        }
    }
    ~Input() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    int fd() const { return fd_; }
    std::uint64_t size() const { return size_; }
    // Why it cannot be used; empty when it can.
    const QString& problem() const { return problem_; }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
    QString problem_;
};

QString ApplyErrorText(patchwell::patch::ApplyError error) {
    using patchwell::patch::ApplyError;
    switch (error) {
        case ApplyError::None:
            break;
        case ApplyError::BaseUnreadable:
            return QCoreApplication::translate("patchwell::patch::delta",
                                               "the base cannot be read");
        case ApplyError::InputUnreadable:
            return QCoreApplication::translate("patchwell::patch::delta",
                                               "the patch cannot be read");
        case ApplyError::NotAFrame:
            return QCoreApplication::translate("patchwell::patch::delta",
                                               "the patch is no zstd file");
        case ApplyError::WindowTooLarge:
            return QCoreApplication::translate(
                "patchwell::patch::delta",
                "the patch asks for more memory than a file of this size needs");
        case ApplyError::Corrupt:
            return QCoreApplication::translate("patchwell::patch::delta",
                                               "the patch is damaged or made for another base");
        case ApplyError::Truncated:
            return QCoreApplication::translate("patchwell::patch::delta", "the patch is cut short");
        case ApplyError::TooLarge:
            return QCoreApplication::translate("patchwell::patch::delta",
                                               "the result would be longer than the limit");
        case ApplyError::NoRoom:
            return QCoreApplication::translate("patchwell::patch::delta",
                                               "there is no room for the result");
        case ApplyError::WriteFailed:
            return QCoreApplication::translate("patchwell::patch::delta",
                                               "the result cannot be written");
    }
    return QString::fromLatin1(patchwell::patch::Describe(error));
}

// "N bytes (P % of M)": a patch's or compressed file's size beside its
// file's.
QString SizeNote(std::uint64_t written, std::uint64_t of) {
    const double percent = of == 0 ? 0.0 : 100.0 * static_cast<double>(written) / of;
    return QCoreApplication::translate("patchwell::patch::delta", "%1 bytes (%2 % of %3)")
        .arg(written)
        .arg(QString::number(percent, 'f', 2))
        .arg(of);
}

// make and compress: one frame from NEW (over OLD, for a patch) into OUT.
int Make(const QString* oldPath, const QString& newPath, const QString& outPath, int level) {
    std::optional<Input> base;
    if (oldPath != nullptr) {
        base.emplace(*oldPath);
        if (!base->problem().isEmpty()) {
            return Fail(base->problem());
        }
    }
    const Input target(newPath);
    if (!target.problem().isEmpty()) {
        return Fail(target.problem());
    }
    PendingOutput out(outPath);
    if (out.error() != 0) {
        return Fail(QCoreApplication::translate("patchwell::patch::delta", "cannot write %1: %2")
                        .arg(outPath, SystemError(out.error())));
    }
    const auto made = patchwell::patch::Make(base ? base->fd() : -1, target.fd(), out.fd(), level);
    if (!made.ok) {
        return Fail(QCoreApplication::translate("patchwell::patch::delta", "cannot make %1: %2")
                        .arg(outPath, QString::fromStdString(made.error)));
    }
    if (!out.Commit()) {
        return Fail(QCoreApplication::translate("patchwell::patch::delta", "cannot write %1: %2")
                        .arg(outPath, SystemError(errno)));
    }
    if (outPath != QStringLiteral("-")) {
        Print(stdout, QCoreApplication::translate("patchwell::patch::delta", "%1: %2\n")
                          .arg(outPath, SizeNote(made.written, target.size())));
    }
    return 0;
}

int Apply(const QString& basePath, const QString& patchPath, const QString& outPath,
          std::uint64_t limit) {
    std::optional<Input> base;
    if (basePath != QStringLiteral("-")) {
        base.emplace(basePath);
        if (!base->problem().isEmpty()) {
            return Fail(base->problem());
        }
    }
    const Input patch(patchPath);
    if (!patch.problem().isEmpty()) {
        return Fail(patch.problem());
    }
    PendingOutput out(outPath);
    if (out.error() != 0) {
        return Fail(QCoreApplication::translate("patchwell::patch::delta", "cannot write %1: %2")
                        .arg(outPath, SystemError(out.error())));
    }
    patchwell::patch::ApplyLimits limits;
    limits.maxResult = limit;
    const auto applied =
        patchwell::patch::Apply(patch.fd(), base ? base->fd() : -1, out.fd(), limits);
    if (!applied.ok()) {
        QString reason = ApplyErrorText(applied.error);
        if (!applied.detail.empty()) {
            reason += QStringLiteral(" (") + QString::fromStdString(applied.detail) + u')';
        }
        return Fail(QCoreApplication::translate("patchwell::patch::delta", "cannot apply %1: %2")
                        .arg(patchPath, reason));
    }
    if (!out.Commit()) {
        return Fail(QCoreApplication::translate("patchwell::patch::delta", "cannot write %1: %2")
                        .arg(outPath, SystemError(errno)));
    }
    if (outPath != QStringLiteral("-")) {
        Print(stdout, QCoreApplication::translate("patchwell::patch::delta", "%1: %2 bytes\n")
                          .arg(outPath)
                          .arg(applied.written));
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    common::InstallTranslations(QStringLiteral("patchwell"));
    common::cli::CommandLine line(
        QStringLiteral("patchwell-delta"),
        QCoreApplication::translate(
            "patchwell::patch::delta",
            "Makes the binary patches and compressed installers of updates and applies them\n"
            "as patchwell does.\n"
            "  make OLD NEW OUT       writes to OUT a patch that turns OLD into NEW\n"
            "  compress IN OUT        writes IN compressed to OUT\n"
            "  apply BASE PATCH OUT   writes PATCH applied to BASE to OUT (BASE -: PATCH is a\n"
            "                         compressed file)\n"
            "OUT - is the standard output; any other OUT appears under its name only once it\n"
            "is complete. Making a patch takes about 15 s and 240 MB of memory for a 46 MB\n"
            "installer, 1.5 minutes and 1.6 GB for 500 MB.\n"
            "Exit status: 0 done, 1 failed, 2 usage error."),
        QStringLiteral("make|compress|apply ARGUMENTS"), 1, 4);
    const QCommandLineOption level(
        QStringLiteral("level"),
        QCoreApplication::translate(
            "patchwell::patch::delta",
            "make, compress: the compression level, 1-22 (default: %1 for make, %2 for "
            "compress; a patch over more than 64 MiB is made at 15 at most).")
            .arg(patchwell::patch::kPatchLevel)
            .arg(patchwell::patch::kCompressLevel),
        QStringLiteral("N"));
    const QCommandLineOption limit(
        QStringLiteral("limit"),
        QCoreApplication::translate(
            "patchwell::patch::delta",
            "apply: the result may not be longer than BYTES (default: no limit)."),
        QStringLiteral("BYTES"));
    line.addOption(level);
    line.addOption(limit);
    if (const auto code = common::cli::Emit(line.parse(common::cli::Arguments(argc, argv)))) {
        return *code;
    }
    const QStringList args = line.parser().positionalArguments();
    const QString& command = args.at(0);
    const int operands = static_cast<int>(args.size()) - 1;
    const auto usageError = [&](const QString& message) {
        return *common::cli::Emit(line.usageError(message));
    };
    const int wanted = command == QStringLiteral("make")       ? 3
                       : command == QStringLiteral("compress") ? 2
                       : command == QStringLiteral("apply")    ? 3
                                                               : -1;
    if (wanted < 0) {
        return usageError(
            QCoreApplication::translate("patchwell::patch::delta", "unknown command '%1'")
                .arg(command));
    }
    if (operands != wanted) {
        return usageError(
            QCoreApplication::translate("patchwell::patch::delta", "%1 takes %2 file names")
                .arg(command)
                .arg(wanted));
    }
    if (command == QStringLiteral("apply") ? line.parser().isSet(level)
                                           : line.parser().isSet(limit)) {
        return usageError(
            QCoreApplication::translate("patchwell::patch::delta", "%1 has no option --%2")
                .arg(command, command == QStringLiteral("apply") ? QStringLiteral("level")
                                                                 : QStringLiteral("limit")));
    }
    if (command == QStringLiteral("apply")) {
        std::uint64_t bound = std::numeric_limits<std::uint64_t>::max();
        if (line.parser().isSet(limit)) {
            bool ok = false;
            bound = line.parser().value(limit).toULongLong(&ok);
            if (!ok) {
                return usageError(QCoreApplication::translate(
                    "patchwell::patch::delta", "--limit takes a whole number of bytes"));
            }
        }
        return Apply(args.at(1), args.at(2), args.at(3), bound);
    }
    int chosen = command == QStringLiteral("make") ? patchwell::patch::kPatchLevel
                                                   : patchwell::patch::kCompressLevel;
    if (line.parser().isSet(level)) {
        bool ok = false;
        chosen = line.parser().value(level).toInt(&ok);
        if (!ok) {
            return usageError(QCoreApplication::translate("patchwell::patch::delta",
                                                          "--level takes a whole number"));
        }
    }
    if (command == QStringLiteral("make")) {
        return Make(&args.at(1), args.at(2), args.at(3), chosen);
    }
    return Make(nullptr, args.at(1), args.at(2), chosen);
}
