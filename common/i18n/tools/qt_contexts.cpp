// pw-qt-contexts IN.ts OUT.ts CONTEXT...
//
// Writes the messages of IN.ts (Qt's own translation of a language, turned
// into a .ts file) that belong to the named contexts: the few texts of Qt's
// that the programs show, such as the standard buttons ("QPlatformTheme"),
// so that a program can carry them without Qt's whole catalogue.

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        QTextStream(stderr) << "usage: pw-qt-contexts IN.ts OUT.ts CONTEXT...\n";
        return 2;
    }
    const QStringList wanted = args.mid(3);
    QFile in(args[1]);
    QFile out(args[2]);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QTextStream(stderr) << "cannot open " << args[1] << " or " << args[2] << "\n";
        return 1;
    }
    QXmlStreamReader reader(&in);
    QXmlStreamWriter writer(&out);
    int kept = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("context")) {
            // A context starts with its name; the rest goes along or not.
            QString name;
            while (reader.readNextStartElement()) {
                if (reader.name() == QLatin1String("name")) {
                    name = reader.readElementText();
                    break;
                }
                reader.skipCurrentElement();
            }
            if (!wanted.contains(name)) {
                while (!(reader.isEndElement() && reader.name() == QLatin1String("context")) &&
                       !reader.atEnd()) {
                    reader.readNext();
                }
                continue;
            }
            ++kept;
            writer.writeStartElement(QStringLiteral("context"));
            writer.writeTextElement(QStringLiteral("name"), name);
            continue;
        }
        if (reader.isDTD()) {
            continue;  // lrelease needs none, and it would come before the declaration
        }
        writer.writeCurrentToken(reader);
    }
    if (reader.hasError() || kept == 0) {
        QTextStream(stderr) << args[1] << ": "
                            << (kept == 0 ? QStringLiteral("none of the contexts")
                                          : reader.errorString())
                            << "\n";
        return 1;
    }
    return 0;
}
