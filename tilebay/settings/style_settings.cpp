#include "tilebay/settings/style_settings.h"

#include "common/ini/ini.h"
#include "common/paths/program_path.h"

namespace tilebay {
namespace {

qint16* IntegerField(StyleKey key, StyleSettings& s) {
    switch (key) {
        case StyleKey::FontRed:
            return &s.fontRed;
        case StyleKey::FontGreen:
            return &s.fontGreen;
        case StyleKey::FontBlue:
            return &s.fontBlue;
        case StyleKey::BgRed:
            return &s.bgRed;
        case StyleKey::BgGreen:
            return &s.bgGreen;
        case StyleKey::BgBlue:
            return &s.bgBlue;
        case StyleKey::BorderRed:
            return &s.borderRed;
        case StyleKey::BorderGreen:
            return &s.borderGreen;
        case StyleKey::BorderBlue:
            return &s.borderBlue;
        case StyleKey::BoxHeight:
            return &s.boxHeight;
        case StyleKey::Opacity:
            return &s.opacity;
        case StyleKey::DockPosition:
            return &s.dockPosition;
        default:
            return nullptr;
    }
}

quint32 Component(qint16 value) {
    return value > 255 ? 255u : static_cast<quint32>(value);
}

}  // namespace

QString OptionsFile(const QString& programFolder) {
    return common::LocalPath(programFolder + QStringLiteral("/options.ini"));
}

QString StyleChoiceFile(const QString& programFolder) {
    return common::LocalPath(programFolder + QStringLiteral("/styleloader.ini"));
}

QString StyleFile(const QString& programFolder, const QString& styleFolder) {
    return common::LocalPath(programFolder + QStringLiteral("/styles/") + styleFolder +
                             QStringLiteral("/style.ini"));
}

QString StartupSoundFile(const QString& programFolder, const QString& styleFolder,
                         const QString& startupSound) {
    return common::LocalPath(programFolder + QStringLiteral("/styles/") + styleFolder +
                             QStringLiteral("/") + startupSound);
}

IniLocation StyleKeyLocation(StyleKey key) {
    const auto at = [](const char* section, const char* name) {
        return IniLocation{QString::fromLatin1(section), QString::fromLatin1(name)};
    };
    switch (key) {
        case StyleKey::StyleFolder:
            return at("STYLE", "stylename");
        case StyleKey::FontRed:
            return at("COLOUR", "fontcolourred");
        case StyleKey::FontGreen:
            return at("COLOUR", "fontcolourgreen");
        case StyleKey::FontBlue:
            return at("COLOUR", "fontcolourblue");
        case StyleKey::BgRed:
            return at("COLOUR", "bgcolourred");
        case StyleKey::BgGreen:
            return at("COLOUR", "bgcolourgreen");
        case StyleKey::BgBlue:
            return at("COLOUR", "bgcolourblue");
        case StyleKey::BorderRed:
            return at("COLOUR", "bordercolourred");
        case StyleKey::BorderGreen:
            return at("COLOUR", "bordercolourgreen");
        case StyleKey::BorderBlue:
            return at("COLOUR", "bordercolourblue");
        case StyleKey::BoxHeight:
            return at("SIZE", "boxheight");
        case StyleKey::Opacity:
            return at("EFFECT", "transparent");
        case StyleKey::DockPosition:
            return at("POSITION", "top");
        case StyleKey::FontName:
            return at("FONT", "fontname");
        case StyleKey::StyleTitle:
            return at("NAME", "stylename");
        case StyleKey::StartupSound:
            return at("SOUND", "startup");
    }
    return {};
}

QString ReadStyleFileValue(const QString& programFolder, const QString& styleFolder,
                           const QString& section, const QString& key) {
    return common::ReadIniValue(section, key, StyleFile(programFolder, styleFolder));
}

bool ReadStyleKey(const QString& programFolder, StyleKey key, StyleSettings& settings) {
    const IniLocation where = StyleKeyLocation(key);
    if (key == StyleKey::StyleFolder) {
        settings.styleFolder =
            common::ReadIniValue(where.section, where.key, StyleChoiceFile(programFolder));
        return true;
    }
    const QString text =
        ReadStyleFileValue(programFolder, settings.styleFolder, where.section, where.key);
    if (qint16* field = IntegerField(key, settings)) {
        const std::optional<qint16> value = ToInt16(text);
        if (!value) {
            return false;
        }
        *field = *value;
        return true;
    }
    switch (key) {
        case StyleKey::FontName:
            settings.fontName = text;
            break;
        case StyleKey::StyleTitle:
            settings.styleTitle = StyleTitleOf(text);
            break;
        case StyleKey::StartupSound:
            settings.startupSound = text;
            break;
        default:
            break;
    }
    return true;
}

void ReadStyle(const QString& programFolder, StyleSettings& settings) {
    for (const StyleKey key : kStyleReadOrder) {
        ReadStyleKey(programFolder, key, settings);
    }
}

std::optional<qint16> ToInt16(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 16) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        const bool sign = i == 0 && (c == u'-' || c == u'+');
        if (!sign && (c < u'0' || c > u'9')) {
            return std::nullopt;
        }
    }
    bool ok = false;
    const int value = trimmed.toInt(&ok, 10);
    if (!ok || value < -32768 || value > 32767) {
        return std::nullopt;
    }
    return static_cast<qint16>(value);
}

QString StyleTitleOf(const QString& name) {
    constexpr int kTitleCharacters = 12;
    qsizetype end = 0;
    for (int count = 0; count < kTitleCharacters && end < name.size(); ++count) {
        const bool pair = name.at(end).isHighSurrogate() && end + 1 < name.size() &&
                          name.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return name.left(end);
}

QString TitleCaption(const QString& styleTitle) {
    return styleTitle + QStringLiteral(" - ") + QStringLiteral("Tilebay");
}

std::optional<quint32> ColourValue(qint16 red, qint16 green, qint16 blue) {
    if (red < 0 || green < 0 || blue < 0) {
        return std::nullopt;
    }
    return Component(red) + 256u * Component(green) + 65536u * Component(blue);
}

std::optional<QColor> ComposeColour(qint16 red, qint16 green, qint16 blue) {
    const std::optional<quint32> value = ColourValue(red, green, blue);
    if (!value) {
        return std::nullopt;
    }
    return QColor(static_cast<int>(*value & 0xFF), static_cast<int>((*value >> 8) & 0xFF),
                  static_cast<int>((*value >> 16) & 0xFF));
}

QString OptionKey(PanelOption option) {
    switch (option) {
        case PanelOption::Taskbar:
            return QStringLiteral("taskbar");
        case PanelOption::AlwaysOnTop:
            return QStringLiteral("alwaysontop");
        case PanelOption::Icons:
            return QStringLiteral("icons");
    }
    return {};
}

bool ReadOption(const QString& programFolder, PanelOption option) {
    return common::ReadIniValue(QStringLiteral("OPTIONS"), OptionKey(option),
                                OptionsFile(programFolder)) == QStringLiteral("ON");
}

bool StartupSoundEnabled(const QString& programFolder) {
    return common::ReadIniValue(QStringLiteral("OPTIONS"), QStringLiteral("sound"),
                                OptionsFile(programFolder)) != QStringLiteral("OFF");
}

void WriteOption(const QString& programFolder, PanelOption option, bool on) {
    common::WriteIniValue(QStringLiteral("OPTIONS"), OptionKey(option),
                          on ? QStringLiteral("ON") : QStringLiteral("OFF"),
                          OptionsFile(programFolder));
}

}  // namespace tilebay
