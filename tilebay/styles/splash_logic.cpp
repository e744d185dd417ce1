#include "tilebay/styles/splash_logic.h"

#include <QCoreApplication>

#include <initializer_list>
#include <optional>

namespace tilebay {

namespace {

bool ReadKeys(const QString& programFolder, std::initializer_list<StyleKey> keys,
              StyleSettings& style) {
    for (StyleKey key : keys) {
        if (!ReadStyleKey(programFolder, key, style)) {
            return false;
        }
    }
    return true;
}

// Reads the three components of a colour into `style` and composes them;
// nullopt when a read fails or a component is negative.
std::optional<QColor> ReadColour(const QString& programFolder, StyleSettings& style,
                                 std::initializer_list<StyleKey> keys, qint16 StyleSettings::*red,
                                 qint16 StyleSettings::*green, qint16 StyleSettings::*blue) {
    if (!ReadKeys(programFolder, keys, style)) {
        return std::nullopt;
    }
    return ComposeColour(style.*red, style.*green, style.*blue);
}

}  // namespace

QString FirstCharacters(const QString& text, int count) {
    if (text.size() <= count) {
        return text;
    }
    int end = count;
    if (end > 0 && text.at(end - 1).isHighSurrogate()) {
        --end;
    }
    return text.left(end);
}

QString SplashStyleText(const SplashState& state) {
    const QString crlf = QStringLiteral("\r\n");
    return QCoreApplication::translate("tilebay::splash", "Style: %1").arg(state.splashStyleName) +
           crlf + state.splashSecondLine + crlf + state.splashDescription;
}

int RunSplashLoad(const QString& programFolder, SplashState& state, SplashView& view) {
    StyleSettings& style = state.style;
    const auto nameValue = [&](const char* key) {
        return ReadStyleFileValue(programFolder, style.styleFolder, QStringLiteral("NAME"),
                                  QString::fromLatin1(key));
    };

    // 1. The style folder.
    ReadStyleKey(programFolder, StyleKey::StyleFolder, style);
    // 2. Font colour components.
    if (!ReadKeys(programFolder, {StyleKey::FontRed, StyleKey::FontGreen, StyleKey::FontBlue},
                  style)) {
        return 1;
    }
    // 3. Text colours.
    const std::optional<QColor> font =
        ComposeColour(style.fontRed, style.fontGreen, style.fontBlue);
    if (!font) {
        return 2;
    }
    for (SplashLabel label : {SplashLabel::Title, SplashLabel::Program, SplashLabel::StyleName}) {
        view.setTextColour(label, *font);
    }
    // 4. Font face (not kept). An empty face keeps the design face.
    const QString face = ReadStyleFileValue(programFolder, style.styleFolder,
                                            QStringLiteral("FONT"), QStringLiteral("fontname"));
    if (!face.isEmpty()) {
        for (SplashLabel label :
             {SplashLabel::StyleName, SplashLabel::Title, SplashLabel::Program}) {
            view.setFontFace(label, face);
        }
    }
    // 5. Opacity, applied only for 0..255.
    if (!ReadStyleKey(programFolder, StyleKey::Opacity, style)) {
        return 4;
    }
    if (style.opacity >= 0 && style.opacity <= 255) {
        view.setOpacity(style.opacity);
    }
    // 6. Background colour.
    const std::optional<QColor> background =
        ReadColour(programFolder, style, {StyleKey::BgRed, StyleKey::BgGreen, StyleKey::BgBlue},
                   &StyleSettings::bgRed, &StyleSettings::bgGreen, &StyleSettings::bgBlue);
    if (!background) {
        return 5;
    }
    view.setBackgroundColour(*background);
    // 7. Border strips.
    const std::optional<QColor> border = ReadColour(
        programFolder, style, {StyleKey::BorderRed, StyleKey::BorderGreen, StyleKey::BorderBlue},
        &StyleSettings::borderRed, &StyleSettings::borderGreen, &StyleSettings::borderBlue);
    if (!border) {
        return 6;
    }
    for (SplashBorder strip :
         {SplashBorder::Left, SplashBorder::Right, SplashBorder::Bottom, SplashBorder::Top}) {
        view.setBorderColour(strip, *border);
    }
    // 8. The texts; the name is read twice, once for each line.
    state.splashStyleName = StyleTitleOf(nameValue("stylename"));
    state.splashDescription = FirstCharacters(nameValue("description"), 30);
    state.splashSecondLine = StyleTitleOf(nameValue("stylename"));
    // 9. The style label.
    view.setStyleText(SplashStyleText(state));
    return kSplashSteps;
}

}  // namespace tilebay
