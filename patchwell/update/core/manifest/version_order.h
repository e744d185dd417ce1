#pragma once

// The order of version texts, for refusing a signed manifest that would take
// an installation back to an older version.

#include <QString>

#include "patchwell/update/core/manifest/signed_update.h"

namespace patchwell::update {

// Negative, 0 or positive as `a` orders before, with or after `b`: first
// the dotted numbers at the start (numerically, a missing part counting as
// 0, so 1.10 is after 1.9 and 2 equals 2.0), then the text after them. A
// pre-release, text after "-" or "~" (2.0-beta, 2.0-rc1, 2.0~rc1), orders
// before its release, which orders before any other text (2.0a). Texts of
// one kind compare character by character, runs of digits as numbers
// (2.0-rc2 before 2.0-rc10); "-" and "~" count alike.
int CompareVersions(const QString& a, const QString& b);

// Why the signed `manifest` may not replace `installed`: its curver orders
// before it and the manifest does not say allowdowngrade=1. None when it may,
// and always without a key.
MaybeRefusal DowngradeRefusal(const VerifiedManifest& manifest, const QString& installed);

// Whether `manifest` offers a version that orders after `installed`: only
// such an update is staged in the background; any other (the same version,
// a publisher's rollback) is offered in the windows as before.
bool MovesForward(const VerifiedManifest& manifest, const QString& installed);

}  // namespace patchwell::update
