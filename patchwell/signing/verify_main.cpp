// patchwell-verify: checks a file against its minisign signature the way
// patchwell does before it runs an installer (from a sealed copy).
//
//   patchwell-verify PUBLIC_KEY_FILE FILE [SIGNATURE_FILE]
//
// The signature defaults to FILE.minisig. Prints the outcome and, when it is
// verified, the trusted comment; exits 0 only for a verified file.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "minisign.h"
#include "sealed_copy.h"

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
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s PUBLIC_KEY_FILE FILE [SIGNATURE_FILE]\n", argv[0]);
        return 2;
    }
    const std::string file = argv[2];
    const std::optional<std::string> key = ReadSmallFile(argv[1]);
    const std::optional<std::string> signature =
        ReadSmallFile(argc == 4 ? std::string(argv[3]) : file + ".minisig");
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
