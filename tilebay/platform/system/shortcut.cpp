#include "tilebay/platform/system/shortcut.h"

#include <QFile>
#include <QFileInfo>

#include "tilebay/platform/system/command_line.h"
#include "tilebay/platform/system/links.h"
#include "tilebay/platform/system/safe_file.h"

namespace tilebay {
namespace {

QString UnescapeString(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 >= value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value.at(i + 1);
        if (next == u's') {
            out.append(u' ');
        } else if (next == u'n') {
            out.append(u'\n');
        } else if (next == u't') {
            out.append(u'\t');
        } else if (next == u'r') {
            out.append(u'\r');
        } else if (next == u'\\') {
            out.append(u'\\');
        } else {
            out.append(c);  // not a string escape: the Exec quoting may use it
            continue;
        }
        ++i;
    }
    return out;
}

bool IsLauncherName(const QString& path) {
    return path.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive);
}

// Expands the field codes inside a word that is not a field code of its own;
// quoted characters are literal text.
QString ExpandInline(const CommandWord& word, const DesktopEntry& entry,
                     const QString& launcherPath) {
    const QString& text = word.text;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const auto quoted = [&word](qsizetype at) {
            return word.quoted.at(static_cast<std::size_t>(at));
        };
        if (c != u'%' || quoted(i) || i + 1 >= text.size() || quoted(i + 1)) {
            out.append(c);
            continue;
        }
        const QChar code = text.at(++i);
        if (code == u'%') {
            out.append(u'%');
        } else if (code == u'c') {
            out.append(entry.name);
        } else if (code == u'k') {
            out.append(launcherPath);
        }
        // every other code stands for files, URLs or nothing: dropped
    }
    return out;
}

bool IsFieldCodeWord(const CommandWord& word) {
    return word.text.size() == 2 && word.text.at(0) == u'%' && word.text.at(1) != u'%' &&
           !word.quoted.at(0) && !word.quoted.at(1);
}

}  // namespace

bool IsShortcutFile(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() || (IsLauncherName(path) && info.isFile());
}

QString ShortcutErrorText() {
    return QStringLiteral("Error occured.");
}

std::optional<DesktopEntry> ReadDesktopEntry(const QString& path) {
    const std::optional<RegularFile> file = ReadRegularFile(path, kMaxLauncherBytes);
    if (!file) {
        return std::nullopt;
    }
    return ParseDesktopEntry(file->bytes);
}

QString LauncherBehind(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty()) {
        return {};
    }
    if (info.isSymLink()) {
        const QString target = FinalTarget(path);  // empty when dangling or a loop
        return !target.isEmpty() && IsLauncherName(target) && QFileInfo(target).isFile()
                   ? target
                   : QString();
    }
    return IsLauncherName(path) && info.isFile() ? path : QString();
}

std::optional<DesktopEntry> ParseDesktopEntry(const QByteArray& bytes) {
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    DesktopEntry entry;
    bool found = false;
    bool inGroup = false;
    for (QString line : lines) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            continue;
        }
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            inGroup = trimmed == QStringLiteral("[Desktop Entry]");
            found = found || inGroup;
            continue;
        }
        if (!inGroup) {
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            continue;
        }
        const QString key = line.left(eq).trimmed();
        const QString value = UnescapeString(line.mid(eq + 1).trimmed());
        // The first occurrence of a key counts; localised variants (Name[de])
        // are different keys and are not used.
        if (key == QStringLiteral("Type") && entry.type.isEmpty()) {
            entry.type = value;
        } else if (key == QStringLiteral("Exec") && !entry.hasExec) {
            entry.exec = value;
            entry.hasExec = true;
        } else if (key == QStringLiteral("URL") && !entry.hasUrl) {
            entry.url = value;
            entry.hasUrl = true;
        } else if (key == QStringLiteral("Icon") && entry.icon.isEmpty()) {
            entry.icon = value;
        } else if (key == QStringLiteral("Name") && entry.name.isEmpty()) {
            entry.name = value;
        } else if (key == QStringLiteral("TryExec") && entry.tryExec.isEmpty()) {
            entry.tryExec = value;
        } else if (key == QStringLiteral("Path") && entry.path.isEmpty()) {
            entry.path = value;
        } else if (key == QStringLiteral("Terminal")) {
            entry.terminal = value == QStringLiteral("true");
        }
    }
    if (!found) {
        return std::nullopt;
    }
    return entry;
}

std::optional<QStringList> ExpandExec(const QString& exec, const DesktopEntry& entry,
                                      const QString& launcherPath) {
    const std::optional<std::vector<CommandWord>> words = SplitCommandWords(exec);
    if (!words) {
        return std::nullopt;
    }
    QStringList out;
    for (const CommandWord& word : *words) {
        if (IsFieldCodeWord(word)) {
            const QChar code = word.text.at(1);
            if (code == u'i') {
                if (!entry.icon.isEmpty()) {
                    out << QStringLiteral("--icon") << entry.icon;
                }
            } else if (code == u'c') {
                if (!entry.name.isEmpty()) {
                    out << entry.name;
                }
            } else if (code == u'k') {
                out << launcherPath;
            }
            continue;  // a code standing for files or URLs is left out whole
        }
        out << ExpandInline(word, entry, launcherPath);
    }
    return out;
}

QString ResolveShortcut(const QString& path) {
    const QString launcher = LauncherBehind(path);
    const QFileInfo info(launcher.isEmpty() ? path : launcher);
    if (launcher.isEmpty()) {
        if (!info.isSymLink()) {
            return ShortcutErrorText();
        }
        const QString target = info.symLinkTarget();
        return target.isEmpty() ? ShortcutErrorText() : target;
    }
    const std::optional<DesktopEntry> entry = ReadDesktopEntry(launcher);
    if (!entry) {
        return ShortcutErrorText();
    }
    return LauncherTarget(*entry, info.absoluteFilePath());
}

QString LauncherTarget(const DesktopEntry& entry, const QString& launcherPath) {
    if (entry.type == QStringLiteral("Application") && entry.hasExec) {
        const std::optional<QStringList> words = ExpandExec(entry.exec, entry, launcherPath);
        if (!words || words->isEmpty()) {
            return ShortcutErrorText();
        }
        return JoinCommandLine(*words);
    }
    if (entry.type == QStringLiteral("Link") && entry.hasUrl) {
        return entry.url;
    }
    return ShortcutErrorText();
}

}  // namespace tilebay
