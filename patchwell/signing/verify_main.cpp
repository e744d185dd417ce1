// patchwell-verify: checks a file against its minisign signature the way
// patchwell does before it runs an installer (from a sealed copy).
//
//   patchwell-verify [--help | --version] PUBLIC_KEY_FILE FILE [SIGNATURE_FILE]
//
// The signature defaults to FILE.minisig. Prints the outcome and, when it is
// verified, the trusted comment; exits 0 only for a verified file.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "common/cli/cli_parser.h"
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

}  // namespace

int main(int argc, char* argv[]) {
    common::cli::CommandLine line(
        QStringLiteral("patchwell-verify"),
        QStringLiteral(
            "Checks FILE against its minisign signature the way patchwell does before "
            "it runs an installer.\nExit status: 0 verified, 1 not verified, 2 unreadable "
            "input or usage error."),
        QStringLiteral("PUBLIC_KEY_FILE FILE [SIGNATURE_FILE]"), 2, 3);
    line.addPositional(QStringLiteral("PUBLIC_KEY_FILE"),
                       QStringLiteral("The minisign public key (.pub) to trust."));
    line.addPositional(QStringLiteral("FILE"), QStringLiteral("The file to check."));
    line.addPositional(QStringLiteral("SIGNATURE_FILE"),
                       QStringLiteral("Its signature (default: FILE.minisig)."));
    if (const auto code = common::cli::Emit(line.parse(common::cli::Arguments(argc, argv)))) {
        return *code;
    }
    const QStringList args = line.parser().positionalArguments();
    const std::string file = args.at(1).toLocal8Bit().toStdString();
    const std::optional<std::string> key = ReadSmallFile(args.at(0).toLocal8Bit().toStdString());
    const std::optional<std::string> signature = ReadSmallFile(
        args.size() == 3 ? args.at(2).toLocal8Bit().toStdString() : file + ".minisig");
    if (!key || !signature) {
        std::fprintf(stderr, "cannot read the key or the signature\n");
        return 2;
    }
    // As patchwell does before it runs an installer: a sealed copy, checked.
    const patchwell::platform::SealedCopy copy(QString::fromLocal8Bit(file.c_str()));
    if (!copy.valid()) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 2;
    }
    const auto result = patchwell::signing::VerifyDescriptor(*key, *signature, copy.fd());
    std::printf("%s\n", patchwell::signing::OutcomeText(result.outcome));
    if (result.ok()) {
        std::printf("trusted comment: %s\n", result.trustedComment.c_str());
    }
    return result.ok() ? 0 : 1;
}
