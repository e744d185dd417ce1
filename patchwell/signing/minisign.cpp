#include "patchwell/signing/minisign.h"

#include <sodium.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace patchwell::signing {

namespace {

constexpr std::size_t kSignatureBytes = 64;
constexpr std::size_t kReadBlock = 1 << 20;

struct SignatureFile {
    bool prehashed = false;
    std::array<unsigned char, 8> keyId{};
    std::array<unsigned char, kSignatureBytes> signature{};
    std::string trustedComment;
    std::array<unsigned char, kSignatureBytes> globalSignature{};
};

bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Decodes standard base64 that must give exactly `size` bytes.
bool DecodeExactly(std::string_view text, unsigned char* out, std::size_t size) {
    std::vector<unsigned char> buffer(size + 1);
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(buffer.data(), buffer.size(), text.data(), text.size(), nullptr, &length,
                          &end, sodium_base64_VARIANT_ORIGINAL) != 0) {
        return false;
    }
    if (end != text.data() + text.size() || length != size) {
        return false;
    }
    std::copy(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size), out);
    return true;
}

// The lines of a text; a CR before a line break belongs to the break.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<SignatureFile> ParseSignature(std::string_view text) {
    std::vector<std::string_view> lines = Lines(text);
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    constexpr std::string_view kTrusted = "trusted comment: ";
    if (lines.size() != 4 || !StartsWith(lines[0], "untrusted comment:") ||
        !StartsWith(lines[2], kTrusted)) {
        return std::nullopt;
    }
    std::array<unsigned char, 2 + 8 + kSignatureBytes> raw{};
    if (!DecodeExactly(lines[1], raw.data(), raw.size())) {
        return std::nullopt;
    }
    SignatureFile sig;
    if (raw[0] == 'E' && raw[1] == 'd') {
        sig.prehashed = false;
    } else if (raw[0] == 'E' && raw[1] == 'D') {
        sig.prehashed = true;
    } else {
        return std::nullopt;
    }
    std::copy(raw.begin() + 2, raw.begin() + 10, sig.keyId.begin());
    std::copy(raw.begin() + 10, raw.end(), sig.signature.begin());
    sig.trustedComment = std::string(lines[2].substr(kTrusted.size()));
    if (!DecodeExactly(lines[3], sig.globalSignature.data(), sig.globalSignature.size())) {
        return std::nullopt;
    }
    return sig;
}

// Reads `fd` from its start in blocks, handing each to `consume`.
template <typename Consume>
bool ReadAll(int fd, Consume consume) {
    std::unique_ptr<unsigned char[]> block(new unsigned char[kReadBlock]);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, block.get(), kReadBlock, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        consume(block.get(), static_cast<std::size_t>(got));
        offset += got;
    }
}

// What the file's signature covers: the BLAKE2b-512 of the data, or (legacy)
// the data itself. `feed` hands the data over in pieces.
template <typename Feed>
std::optional<std::vector<unsigned char>> SignedMessage(bool prehashed, Feed feed) {
    if (prehashed) {
        crypto_generichash_state state;
        crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES_MAX);
        if (!feed([&](const unsigned char* data, std::size_t size) {
                crypto_generichash_update(&state, data, size);
            })) {
            return std::nullopt;
        }
        std::vector<unsigned char> hash(crypto_generichash_BYTES_MAX);
        crypto_generichash_final(&state, hash.data(), hash.size());
        return hash;
    }
    std::vector<unsigned char> whole;
    if (!feed([&](const unsigned char* data, std::size_t size) {
            whole.insert(whole.end(), data, data + size);
        })) {
        return std::nullopt;
    }
    return whole;
}

// `whole`, when given, is all of the data at once (no copy is made of it);
// otherwise `feed` hands it over in pieces.
template <typename Feed>
Verification Verify(std::string_view publicKeyText, std::string_view signatureText,
                    const std::string_view* whole, Feed feed) {
    Verification result;
    if (!SodiumReady()) {
        result.outcome = Outcome::BadSignature;
        return result;
    }
    const std::optional<PublicKey> key = ParsePublicKey(publicKeyText);
    if (!key) {
        result.outcome = Outcome::MalformedKey;
        return result;
    }
    const std::optional<SignatureFile> sig = ParseSignature(signatureText);
    if (!sig) {
        result.outcome = Outcome::MalformedSignature;
        return result;
    }
    if (sig->keyId != key->keyId) {
        result.outcome = Outcome::OtherKey;
        return result;
    }
    std::optional<std::vector<unsigned char>> message;
    if (whole == nullptr || sig->prehashed) {
        message = SignedMessage(sig->prehashed, feed);
        if (!message) {
            result.outcome = Outcome::Unreadable;
            return result;
        }
    }
    const auto* signedBytes =
        message ? message->data() : reinterpret_cast<const unsigned char*>(whole->data());
    const std::size_t signedSize = message ? message->size() : whole->size();
    if (crypto_sign_verify_detached(sig->signature.data(), signedBytes, signedSize,
                                    key->key.data()) != 0) {
        result.outcome = Outcome::BadSignature;
        return result;
    }
    std::vector<unsigned char> global(sig->signature.begin(), sig->signature.end());
    global.insert(global.end(), sig->trustedComment.begin(), sig->trustedComment.end());
    if (crypto_sign_verify_detached(sig->globalSignature.data(), global.data(), global.size(),
                                    key->key.data()) != 0) {
        result.outcome = Outcome::BadTrustedComment;
        return result;
    }
    result.outcome = Outcome::Verified;
    result.trustedComment = sig->trustedComment;
    return result;
}

}  // namespace

std::optional<PublicKey> ParsePublicKey(std::string_view text) {
    std::vector<std::string_view> lines = Lines(Trim(text));
    if (lines.size() == 2 && StartsWith(lines[0], "untrusted comment:")) {
        lines.erase(lines.begin());
    }
    if (lines.size() != 1) {
        return std::nullopt;
    }
    std::array<unsigned char, 2 + 8 + 32> raw{};
    if (!DecodeExactly(Trim(lines[0]), raw.data(), raw.size()) || raw[0] != 'E' || raw[1] != 'd') {
        return std::nullopt;
    }
    PublicKey key;
    std::copy(raw.begin() + 2, raw.begin() + 10, key.keyId.begin());
    std::copy(raw.begin() + 10, raw.end(), key.key.begin());
    return key;
}

std::string KeyIdText(const PublicKey& key) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (auto byte = key.keyId.rbegin(); byte != key.keyId.rend(); ++byte) {
        text += kHex[*byte >> 4];
        text += kHex[*byte & 0xF];
    }
    const std::size_t first = text.find_first_not_of('0');
    return first == std::string::npos ? std::string("0") : text.substr(first);
}

Verification VerifyData(std::string_view publicKeyText, std::string_view signatureText,
                        std::string_view data) {
    return Verify(publicKeyText, signatureText, &data, [data](auto consume) {
        consume(reinterpret_cast<const unsigned char*>(data.data()), data.size());
        return true;
    });
}

Verification VerifyDescriptor(std::string_view publicKeyText, std::string_view signatureText,
                              int fd) {
    // A file sealed against shrinking cannot vanish under a mapping: map it
    // rather than copy it (a legacy signature needs all of it at once).
    struct stat info {};
    if (fd >= 0 && ::fcntl(fd, F_GET_SEALS) > 0 && (::fcntl(fd, F_GET_SEALS) & F_SEAL_SHRINK) &&
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        const auto size = static_cast<std::size_t>(info.st_size);
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped != MAP_FAILED) {
            const Verification result = VerifyData(
                publicKeyText, signatureText, std::string_view(static_cast<char*>(mapped), size));
            ::munmap(mapped, size);
            return result;
        }
    }
    return Verify(publicKeyText, signatureText, nullptr,
                  [fd](auto consume) { return fd >= 0 && ReadAll(fd, consume); });
}

std::optional<long long> TimestampOf(std::string_view trustedComment) {
    constexpr std::string_view kKey = "timestamp:";
    while (!trustedComment.empty()) {
        const std::size_t tab = trustedComment.find('\t');
        const std::string_view item = trustedComment.substr(0, tab);
        if (StartsWith(item, kKey)) {
            const std::string_view digits = item.substr(kKey.size());
            if (digits.empty() || digits.size() > 18) {
                return std::nullopt;
            }
            long long value = 0;
            for (const char c : digits) {
                if (c < '0' || c > '9') {
                    return std::nullopt;
                }
                value = value * 10 + (c - '0');
            }
            return value;
        }
        if (tab == std::string_view::npos) {
            break;
        }
        trustedComment.remove_prefix(tab + 1);
    }
    return std::nullopt;
}

const char* OutcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::Verified:
            return "signature verified";
        case Outcome::MalformedKey:
            return "the public key is malformed";
        case Outcome::MalformedSignature:
            return "the signature is malformed";
        case Outcome::OtherKey:
            return "signed with another key";
        case Outcome::BadSignature:
            return "the signature does not match the data";
        case Outcome::BadTrustedComment:
            return "the trusted comment does not match its signature";
        case Outcome::Unreadable:
            return "the data could not be read";
    }
    return "unknown";
}

}  // namespace patchwell::signing
