#include "patchwell/update/core/manifest/version_order.h"

#include <QRegularExpression>
#include <QStringList>

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

// Pre-releases first, then the release itself, then any other suffix.
int SuffixKind(const QString& rest) {
    if (rest.isEmpty()) {
        return 1;
    }
    return rest.front() == u'-' || rest.front() == u'~' ? 0 : 2;
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Character by character, a run of digits against a run of digits as a
// number.
int CompareText(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a.at(i)) && IsDigit(b.at(j))) {
            const qsizetype from = i;
            const qsizetype fromB = j;
            while (i < a.size() && IsDigit(a.at(i))) {
                ++i;
            }
            while (j < b.size() && IsDigit(b.at(j))) {
                ++j;
            }
            QString left = a.mid(from, i - from);
            QString right = b.mid(fromB, j - fromB);
            while (left.size() > 1 && left.startsWith(u'0')) {
                left.remove(0, 1);
            }
            while (right.size() > 1 && right.startsWith(u'0')) {
                right.remove(0, 1);
            }
            const int order = CompareNumbers(left, right);
            if (order != 0) {
                return order;
            }
            continue;
        }
        if (a.at(i) != b.at(j)) {
            return a.at(i) < b.at(j) ? -1 : 1;
        }
        ++i;
        ++j;
    }
    return (i < a.size()) - (j < b.size());
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
    const int kinds = SuffixKind(left.rest) - SuffixKind(right.rest);
    if (kinds != 0) {
        return kinds;
    }
    // A pre-release's marker is no part of its name.
    const qsizetype skip = SuffixKind(left.rest) == 0 ? 1 : 0;
    return CompareText(left.rest.mid(skip), right.rest.mid(skip));
}

MaybeRefusal DowngradeRefusal(const VerifiedManifest& manifest, const QString& installed) {
    if (!manifest.keyed || manifest.values.allowdowngrade == QStringLiteral("1") ||
        CompareVersions(manifest.values.curver, installed) >= 0) {
        return {};
    }
    return Refusal{RefusalKind::Downgrade, {manifest.values.curver, installed}};
}

bool MovesForward(const VerifiedManifest& manifest, const QString& installed) {
    return CompareVersions(manifest.values.curver, installed) > 0;
}

}  // namespace patchwell::update
