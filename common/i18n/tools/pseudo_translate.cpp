// pw-pseudo-translate IN.ts OUT.ts
//
// Writes the pseudo-language: every source text of IN.ts, in brackets and
// made 40 % longer, as the translation. Running a program in it shows a text
// that bypasses translation (it has no brackets) and a window without room
// for longer texts (the brackets are cut), before a translator meets either.

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

namespace {

// Each line grows by 40 % (whole words of filler, so that wrapping behaves as
// with real words) and the whole text is bracketed.
QString Pseudo(const QString& source) {
    QStringList lines = source.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        const int extra = static_cast<int>(std::ceil(line.size() * 0.4));
        QString filler;
        while (filler.size() < extra) {
            filler += filler.size() % 6 == 0 ? QLatin1Char(' ') : QChar(0x1E8B);  // ẋ
        }
        line += filler;
    }
    return QLatin1Char('[') + lines.join(QLatin1Char('\n')) + QLatin1Char(']');
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: pw-pseudo-translate IN.ts OUT.ts\n";
        return 2;
    }
    QFile in(args[1]);
    QFile out(args[2]);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QTextStream(stderr) << "cannot open " << args[1] << " or " << args[2] << "\n";
        return 1;
    }
    QXmlStreamReader reader(&in);
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(false);
    QString source;
    bool numerus = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("TS")) {
            // English plural rules: two forms.
            writer.writeStartElement(QStringLiteral("TS"));
            writer.writeAttribute(QStringLiteral("version"),
                                  reader.attributes().value(QLatin1String("version")).toString());
            writer.writeAttribute(QStringLiteral("language"), QStringLiteral("en"));
            continue;
        }
        if (reader.isStartElement() && reader.name() == QLatin1String("message")) {
            numerus = reader.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
        }
        if (reader.isStartElement() && reader.name() == QLatin1String("source")) {
            writer.writeCurrentToken(reader);
            source = reader.readElementText();
            writer.writeCharacters(source);
            writer.writeEndElement();
            continue;
        }
        if (reader.isStartElement() && reader.name() == QLatin1String("translation")) {
            reader.skipCurrentElement();
            writer.writeStartElement(QStringLiteral("translation"));
            if (numerus) {
                writer.writeTextElement(QStringLiteral("numerusform"), Pseudo(source));
                writer.writeTextElement(QStringLiteral("numerusform"), Pseudo(source));
            } else {
                writer.writeCharacters(Pseudo(source));
            }
            writer.writeEndElement();
            continue;
        }
        writer.writeCurrentToken(reader);
    }
    if (reader.hasError()) {
        QTextStream(stderr) << args[1] << ": " << reader.errorString() << "\n";
        return 1;
    }
    return 0;
}
