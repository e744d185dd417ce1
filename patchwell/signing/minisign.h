#pragma once

// Checks minisign signatures (Ed25519, through libsodium): the legacy kind
// over the file's bytes and the pre-hashed kind over its BLAKE2b-512, each
// with its signed trusted comment. No Qt, so small tools can use it too.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace patchwell::signing {

struct PublicKey {
    std::array<unsigned char, 8> keyId{};
    std::array<unsigned char, 32> key{};
};

// A minisign public key: the base64 line that `minisign -G` writes, alone or
// with its "untrusted comment:" line before it. Blanks around it are ignored.
std::optional<PublicKey> ParsePublicKey(std::string_view text);

// The key's id as minisign shows it ("minisign public key F59B..."): its
// eight bytes as one little-endian number in upper-case hex, without
// leading zeros.
std::string KeyIdText(const PublicKey& key);

enum class Outcome {
    Verified,
    MalformedKey,
    MalformedSignature,
    OtherKey,           // signed, but with another key than ours
    BadSignature,       // the data is not what was signed
    BadTrustedComment,  // the trusted comment was changed after signing
    Unreadable,         // the data could not be read
};

struct Verification {
    Outcome outcome = Outcome::MalformedSignature;
    // The signed trusted comment; empty unless verified.
    std::string trustedComment;
    bool ok() const { return outcome == Outcome::Verified; }
};

// Checks `signatureText` (the content of a .minisig file) for `data`.
Verification VerifyData(std::string_view publicKeyText, std::string_view signatureText,
                        std::string_view data);

// The same for the whole content of the open file `fd`, read from its start
// with pread (the descriptor's offset is left alone), or mapped when the file
// is sealed against shrinking.
Verification VerifyDescriptor(std::string_view publicKeyText, std::string_view signatureText,
                              int fd);

// The value of "timestamp:" in a trusted comment (items separated by TABs);
// none when it is missing or not a plain decimal number.
std::optional<long long> TimestampOf(std::string_view trustedComment);

// A short English description of an outcome, for tools and logs.
const char* OutcomeText(Outcome outcome);

}  // namespace patchwell::signing
