#include "patchwell/update/core/version_order.h"

#include <QRegularExpression>
#include <QStringList>

#include "patchwell/update/core/texts.h"

namespace patchwell::update {

namespace {

struct Version {
    QStringList numbers;  // without leading zeros
    QString rest;
};

Version Split(const QString& text) {
    static const QRegularExpression dotted(QStringLiteral("^[0-9]+(\\.[0-9]+)*"));
    const QRegularExpressionMatch match = dotted.match(text);
    Version version;
    version.rest = text.mid(match.hasMatch() ? match.capturedLength() : 0);
    if (match.hasMatch()) {
        for (QString part : match.captured().split(u'.')) {
            while (part.size() > 1 && part.startsWith(u'0')) {
                part.remove(0, 1);
            }
            version.numbers << part;
        }
    }
    return version;
}

// Numbers of any length: the longer one is larger, else the digits decide.
int CompareNumbers(const QString& a, const QString& b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b);
}

}  // namespace

int CompareVersions(const QString& a, const QString& b) {
    const Version left = Split(a);
    const Version right = Split(b);
    const qsizetype parts = std::max(left.numbers.size(), right.numbers.size());
    for (qsizetype i = 0; i < parts; ++i) {
        const int order = CompareNumbers(left.numbers.value(i, QStringLiteral("0")),
                                         right.numbers.value(i, QStringLiteral("0")));
        if (order != 0) {
            return order;
        }
    }
    return left.rest.compare(right.rest, Qt::CaseSensitive);
}

QString DowngradeRefusal(const VerifiedManifest& manifest, const QString& installed) {
    if (!manifest.keyed || manifest.values.allowdowngrade == QStringLiteral("1") ||
        CompareVersions(manifest.values.curver, installed) >= 0) {
        return {};
    }
    return texts::refusal::Downgrade(manifest.values.curver, installed);
}

}  // namespace patchwell::update
