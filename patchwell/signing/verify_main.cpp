// patchwell-verify: checks a file against its minisign signature the way
// patchwell does before it runs an installer (from a sealed copy).
//
//   patchwell-verify [--help | --version] PUBLIC_KEY_FILE FILE [SIGNATURE_FILE]
//   patchwell-verify --publish-usage   (patchwell-publish's --help, translated)
//
// The signature defaults to FILE.minisig. Prints the outcome and, when it is
// verified, the trusted comment; exits 0 only for a verified file.

#include <QCoreApplication>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "common/cli/cli_parser.h"
#include "common/i18n/translations.h"
#include "patchwell/platform/sealed_copy.h"
#include "patchwell/signing/minisign.h"

namespace {

std::optional<std::string> ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// patchwell-publish is a script: its usage comes from here, translated as the
// programs' texts are ("patchwell-verify --publish-usage"). The synopsis is the
// same in every language.
QString PublishUsage() {
    return QStringLiteral(
               "\n"
               "  patchwell-publish [options] INSTALLER URL VERSION SECRET_KEY\n"
               "  patchwell-publish -h | --help | --version\n") +
           QCoreApplication::translate(
               "patchwell::signing::publish",
               "\n"
               "INSTALLER   the new installer\n"
               "URL         the address it will have on the web server\n"
               "VERSION     the version text it installs (curver)\n"
               "SECRET_KEY  a minisign secret key file (minisign asks for its password)\n"
               "-o OUTDIR            where to write the files (default: the current folder)\n"
               "-n SAVE_AS           the name patchwell saves it under (default: the URL's last "
               "part)\n"
               "-m MANIFEST_URL      where iupdate.ini will be published, exactly as the users'\n"
               "                     update.ini has it in verchckurl (default: iupdate.ini beside "
               "URL)\n"
               "--expires DAYS       the update information expires DAYS days from now (default "
               "30):\n"
               "                     republish before then, or patchwell refuses it\n"
               "--no-expiry          writes no expiry (a replayed manifest is then taken for "
               "ever)\n"
               "--allow-downgrade    lets installations of a newer version take VERSION (a "
               "rollback)\n"
               "--next-key FILE.pub  announces the key that will sign after this one\n"
               "--rollout PERCENT    offers the update to PERCENT of the installations (0-100)\n"
               "--notes FILE URL     release notes (plain UTF-8 text, at most 64 KiB) and their "
               "address\n"
               "--channel NAME       writes the update as the section [Update.NAME] of the\n"
               "                     iupdate.ini already in OUTDIR (other sections stay) and\n"
               "                     signs the whole; --expires and --next-key still go to "
               "[Update]\n"
               "--delta-from OLD     also writes a binary patch from the earlier installer OLD to\n"
               "                     this one and lists it (up to 3 times: the last one to three\n"
               "                     releases); making one takes about 15 s and 240 MB of memory\n"
               "                     for a 46 MB installer, 1.5 minutes and 1.6 GB for 500 MB\n"
               "--compress           also writes the installer compressed with zstd (NAME.zst) "
               "and\n"
               "                     lists it, for a smaller full download\n"
               "\n"
               "Writes, ready to upload: the installer under the URL's last part, iupdate.ini\n"
               "(which names the installer's size and SHA-256) and iupdate.ini.minisig, and\n"
               "the release notes, patches (NAME.from-HASH.zstpatch) and NAME.zst when\n"
               "asked for. Upload iupdate.ini and its .minisig to MANIFEST_URL and the other\n"
               "files to their addresses (the patches and NAME.zst beside the installer).\n");
}

// The outcome as patchwell-verify prints it.
QString OutcomeLine(patchwell::signing::Outcome outcome) {
    using patchwell::signing::Outcome;
    switch (outcome) {
        case Outcome::Verified:
            return QCoreApplication::translate("patchwell::signing::verify", "signature verified");
        case Outcome::MalformedKey:
            return QCoreApplication::translate("patchwell::signing::verify",
                                               "the public key is malformed");
        case Outcome::MalformedSignature:
            return QCoreApplication::translate("patchwell::signing::verify",
                                               "the signature is malformed");
        case Outcome::OtherKey:
            return QCoreApplication::translate("patchwell::signing::verify",
                                               "signed with another key");
        case Outcome::BadSignature:
            return QCoreApplication::translate("patchwell::signing::verify",
                                               "the signature does not match the data");
        case Outcome::BadTrustedComment:
            return QCoreApplication::translate("patchwell::signing::verify",
                                               "the trusted comment does not match its signature");
        case Outcome::Unreadable:
            return QCoreApplication::translate("patchwell::signing::verify",
                                               "the data could not be read");
    }
    return QString::fromLatin1(patchwell::signing::OutcomeText(outcome));
}

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

}  // namespace

int main(int argc, char* argv[]) {
    // The help and the messages in the user's language.
    QCoreApplication app(argc, argv);
    common::InstallTranslations(QStringLiteral("patchwell"));
    const QStringList arguments = common::cli::Arguments(argc, argv);
    if (arguments.size() == 2 && arguments.at(1) == QStringLiteral("--publish-usage")) {
        Print(stdout, PublishUsage());
        return 0;
    }
    common::cli::CommandLine line(
        QStringLiteral("patchwell-verify"),
        QCoreApplication::translate(
            "patchwell::signing::verify",
            "Checks FILE against its minisign signature the way patchwell does before "
            "it runs an installer.\nExit status: 0 verified, 1 not verified, 2 unreadable "
            "input or usage error."),
        QStringLiteral("PUBLIC_KEY_FILE FILE [SIGNATURE_FILE]"), 2, 3);
    line.addPositional(QStringLiteral("PUBLIC_KEY_FILE"),
                       QCoreApplication::translate("patchwell::signing::verify",
                                                   "The minisign public key (.pub) to trust."));
    line.addPositional(
        QStringLiteral("FILE"),
        QCoreApplication::translate("patchwell::signing::verify", "The file to check."));
    line.addPositional(QStringLiteral("SIGNATURE_FILE"),
                       QCoreApplication::translate("patchwell::signing::verify",
                                                   "Its signature (default: FILE.minisig)."));
    if (const auto code = common::cli::Emit(line.parse(arguments))) {
        return *code;
    }
    const QStringList args = line.parser().positionalArguments();
    const std::string file = args.at(1).toLocal8Bit().toStdString();
    const std::optional<std::string> key = ReadSmallFile(args.at(0).toLocal8Bit().toStdString());
    const std::optional<std::string> signature = ReadSmallFile(
        args.size() == 3 ? args.at(2).toLocal8Bit().toStdString() : file + ".minisig");
    if (!key || !signature) {
        Print(stderr, QCoreApplication::translate("patchwell::signing::verify",
                                                  "cannot read the key or the signature") +
                          u'\n');
        return 2;
    }
    // As patchwell does before it runs an installer: a sealed copy, checked.
    const patchwell::platform::SealedCopy copy(args.at(1));
    if (!copy.valid()) {
        Print(stderr, QCoreApplication::translate("patchwell::signing::verify", "cannot read %1\n")
                          .arg(args.at(1)));
        return 2;
    }
    const auto result = patchwell::signing::VerifyDescriptor(*key, *signature, copy.fd());
    Print(stdout, OutcomeLine(result.outcome) + u'\n');
    if (result.ok()) {
        Print(stdout,
              QCoreApplication::translate("patchwell::signing::verify", "trusted comment: %1\n")
                  .arg(QString::fromStdString(result.trustedComment)));
    }
    return result.ok() ? 0 : 1;
}
