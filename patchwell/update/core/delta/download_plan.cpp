#include "patchwell/update/core/delta/download_plan.h"

#include <unistd.h>

#include "patchwell/update/core/installer_sources.h"

namespace patchwell::update {

namespace {

struct PatchKeys {
    QString RemoteManifest::*address;
    QString RemoteManifest::*from;
    QString RemoteManifest::*size;
    QString RemoteManifest::*sha256;
};

constexpr PatchKeys kPatchKeys[] = {
    {&RemoteManifest::curverpatch1, &RemoteManifest::curverpatch1from,
     &RemoteManifest::curverpatch1size, &RemoteManifest::curverpatch1sha256},
    {&RemoteManifest::curverpatch2, &RemoteManifest::curverpatch2from,
     &RemoteManifest::curverpatch2size, &RemoteManifest::curverpatch2sha256},
    {&RemoteManifest::curverpatch3, &RemoteManifest::curverpatch3from,
     &RemoteManifest::curverpatch3size, &RemoteManifest::curverpatch3sha256},
};

// The offer of a file at `address`, or none when any of its keys is missing
// or malformed (an empty file is no zstd frame either).
std::optional<DeltaOffer> Offer(DeltaOffer::Kind kind, const QString& address, const QString& size,
                                const QString& sha256, const QString& curverurl) {
    const std::optional<qint64> length = ByteCountFrom(size);
    DeltaOffer offer;
    offer.kind = kind;
    offer.address = address;
    offer.sha256 = Sha256FromHex(sha256);
    if (!length || *length <= 0 || offer.sha256.isEmpty() ||
        !IsFurtherAddress(address, curverurl)) {
        return std::nullopt;
    }
    offer.size = *length;
    return offer;
}

}  // namespace

std::vector<DeltaOffer> PlanDownload(const VerifiedManifest& manifest,
                                     const std::optional<KeptInstaller>& current) {
    std::vector<DeltaOffer> plan;
    if (!manifest.BindsInstaller()) {
        return plan;
    }
    const RemoteManifest& m = manifest.values;
    for (const PatchKeys& keys : kPatchKeys) {
        if (!current || Sha256FromHex(m.*keys.from) != current->sha256) {
            continue;
        }
        std::optional<DeltaOffer> patch = Offer(DeltaOffer::Kind::Patch, m.*keys.address,
                                                m.*keys.size, m.*keys.sha256, m.curverurl);
        if (patch) {
            patch->base = *current;
            plan.push_back(*patch);
            break;
        }
    }
    const std::optional<DeltaOffer> compressed = Offer(
        DeltaOffer::Kind::Compressed, m.curverzst, m.curverzstsize, m.curverzstsha256, m.curverurl);
    if (compressed) {
        plan.push_back(*compressed);
    }
    return plan;
}

std::vector<DeltaOffer> PlanDownload(const VerifiedManifest& manifest, const KeptInstallers& kept) {
    std::vector<DeltaOffer> offers = PlanDownload(manifest, kept.Current());
    if (!offers.empty() && offers.front().kind == DeltaOffer::Kind::Patch) {
        const int base = kept.OpenVerified(offers.front().base);
        if (base < 0) {
            return PlanDownload(manifest, std::nullopt);
        }
        ::close(base);
    }
    return offers;
}

}  // namespace patchwell::update
