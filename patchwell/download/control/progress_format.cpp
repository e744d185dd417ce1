#include "patchwell/download/control/progress_format.h"

#include <QtNumeric>

#include "patchwell/download/control/download_texts.h"

#include <cmath>
#include <limits>

namespace patchwell::download {

namespace {

// A whole number as plain digits with a minus sign when negative; never "-0".
QString WholeNumber(double value) {
    return QString::number(value + 0.0, 'f', 0);
}

}  // namespace

RateKey MakeRateKey(double x) {
    RateKey key;
    if (x >= 0 && x <= 1023) {
        key.kind = 1;
        key.value = static_cast<std::int64_t>(std::nearbyint(x));
    } else if (x >= 1024 && x <= 1048575) {
        key.kind = 2;
        key.value = static_cast<std::int64_t>(std::nearbyint(x / 1024.0 * 100.0));
    }
    return key;
}

QString FormatRateKey(const RateKey& key, const QLocale& locale) {
    switch (key.kind) {
        case 1:
            return texts::English(texts::kRateBytes, QString::number(key.value));
        case 2: {
            // Hundredths written in their shortest form: 1, 1.5, 1.95.
            const std::int64_t whole = key.value / 100;
            const std::int64_t hundredths = key.value % 100;
            QString text = QString::number(whole);
            if (hundredths != 0) {
                text += locale.decimalPoint();
                if (hundredths % 10 == 0) {
                    text += QString::number(hundredths / 10);
                } else {
                    text += QString::number(hundredths).rightJustified(2, QLatin1Char('0'));
                }
            }
            return texts::English(texts::kRateKilobytes, text);
        }
        default:
            return QString();
    }
}

QString FormatRate(double bytesPerSecond, const QLocale& locale) {
    return FormatRateKey(MakeRateKey(bytesPerSecond), locale);
}

TimeLeftKey MakeTimeLeftKey(float seconds) {
    const double s = seconds;
    TimeLeftKey key;
    if (s >= 0 && s <= 59) {
        key.kind = 1;
        key.first = std::round(s);  // half away from zero
    } else if (s >= 60 && s <= 3599) {
        key.kind = 2;
        key.first = std::floor(s / 60.0);
        key.second = std::fmod(std::nearbyint(s), 60.0);
    } else if (std::isfinite(s)) {
        key.kind = 3;
        key.first = std::floor(s / 3600.0);
        key.second = std::fmod(std::nearbyint(s / 60.0), 60.0);
    }
    return key;
}

QString FormatTimeLeftKey(const TimeLeftKey& key) {
    switch (key.kind) {
        case 1:
            return texts::English(texts::kSeconds, WholeNumber(key.first));
        case 2:
            return texts::English(texts::kMinutes, WholeNumber(key.first), WholeNumber(key.second));
        case 3:
            return texts::English(texts::kHours, WholeNumber(key.first), WholeNumber(key.second));
        default:
            return QString();
    }
}

QString FormatTimeLeft(float seconds) {
    return FormatTimeLeftKey(MakeTimeLeftKey(seconds));
}

qint32 PercentOf(qint64 part, qint64 whole) {
    if (whole == 0) {
        throw ArithmeticError("division by zero");
    }
    const double percent =
        std::nearbyint(static_cast<double>(part) / static_cast<double>(whole) * 100.0);
    if (!(percent >= std::numeric_limits<qint32>::min() &&
          percent <= std::numeric_limits<qint32>::max())) {
        throw ArithmeticError("overflow");
    }
    return static_cast<qint32>(percent);
}

float DivideSingle(double a, float b) {
    if (b == 0) {
        throw ArithmeticError(a == 0 ? "overflow" : "division by zero");
    }
    return static_cast<float>(a / static_cast<double>(b));
}

qint64 AddChecked(qint64 a, qint64 b) {
    qint64 sum = 0;
    if (qAddOverflow(a, b, &sum)) {
        throw ArithmeticError("overflow");
    }
    return sum;
}

}  // namespace patchwell::download
