#pragma once

// Update channels: one signed manifest, several sections. An installation
// with channel=NAME in update.ini's [Update] takes the update from the
// manifest's [Update.NAME] (version, installer, save name, size, digest,
// mirrors, rollout, release notes, allowdowngrade) where the manifest has
// that section;
// the manifest's own address, expiry and next key stay in [Update].

#include <QByteArray>
#include <QString>

#include "patchwell/update/core/manifest/manifest.h"

namespace patchwell::update {

// update.ini's channel; empty when none or not a channel name.
QString ConfiguredChannel(const QString& programFolder);

// The manifest's values for `channel` (empty: [Update] alone). A section
// counts when it names a version; then all of the update's keys come from
// it, none from [Update].
RemoteManifest ParseChannelManifest(const QByteArray& content, const QString& channel);

}  // namespace patchwell::update
