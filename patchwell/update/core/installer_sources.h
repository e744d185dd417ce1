#pragma once

// Where the installer is fetched from: the manifest's `curverurl` and then
// its mirrors, each tried once, in order, until one delivers a file that
// passes the checks.

#include <QString>
#include <QStringList>

namespace patchwell::update {

// `curverurl` followed by the addresses of `curvermirrors` (separated by
// blanks). Left out: mirrors that are not http or https addresses with a
// host, repeats of an earlier address, and, when `curverurl` is https, any
// mirror that is not (a mirror is never less secure than the main address).
QStringList InstallerAddresses(const QString& curverurl, const QString& curvermirrors);

// Whether `address` may deliver a file of the release at `curverurl`: an http
// or https address with a host, and https when `curverurl` is.
bool IsFurtherAddress(const QString& address, const QString& curverurl);

}  // namespace patchwell::update
