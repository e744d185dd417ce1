#pragma once

// The rate and time-left texts of a transfer, and the small arithmetic the
// transfer loops share. The arithmetic throws ArithmeticError where the
// transfer has to fail (division by zero, values beyond their range).

#include <QLocale>
#include <QString>

#include <cstdint>
#include <stdexcept>

namespace patchwell::download {

class ArithmeticError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "700 Bytes/S", "1.5 KB/S", or an empty text outside 0..1048575 (and
// strictly between 1023 and 1024). The decimal separator is `locale`'s.
QString FormatRate(double bytesPerSecond, const QLocale& locale = QLocale());

// "42 sec", "2 min 5 sec", "1 hr 2 min".
QString FormatTimeLeft(float seconds);

// What a text depends on, so a caller can format only when it changes.
struct RateKey {
    int kind = 0;            // 0 empty, 1 bytes, 2 hundredths of a KB
    std::int64_t value = 0;  // the rounded figure
    bool operator==(const RateKey& o) const { return kind == o.kind && value == o.value; }
};
RateKey MakeRateKey(double bytesPerSecond);
QString FormatRateKey(const RateKey& key, const QLocale& locale = QLocale());

struct TimeLeftKey {
    int kind = 0;  // 0 empty, 1 sec, 2 min sec, 3 hr min
    double first = 0;
    double second = 0;
    bool operator==(const TimeLeftKey& o) const {
        return kind == o.kind && first == o.first && second == o.second;
    }
};
TimeLeftKey MakeTimeLeftKey(float seconds);
QString FormatTimeLeftKey(const TimeLeftKey& key);

// `part` / `whole` × 100, rounded half to even; throws on a zero `whole` or
// a result beyond 32 bits.
qint32 PercentOf(qint64 part, qint64 whole);

// `a` / `b` in single precision; throws when `b` is zero.
float DivideSingle(double a, float b);

// `a` + `b`, throwing when the sum leaves the 64-bit range.
qint64 AddChecked(qint64 a, qint64 b);

}  // namespace patchwell::download
