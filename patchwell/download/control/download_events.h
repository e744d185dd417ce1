#pragma once

// The control's events are declared once per class that carries them (moc
// needs the declarations), but connected in one place: by name and argument
// types through the meta-object, in the order the source declares them. A new
// event is added to the declarations and reaches every relay without another
// line of wiring.

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

namespace patchwell::download {

// The signatures of the signals that `source`'s own class declares (not
// those of its base classes), in declaration order, e.g. "DLError(QString)".
QStringList DeclaredEvents(const QObject& source);

// Connects every event that `source`'s class declares to the signal of the
// same signature on `target`, so that `target` raises it synchronously.
// Returns false, connecting nothing, when `target` lacks one of them.
bool ForwardEvents(const QObject& source, QObject& target);

// Calls a handler with the event's name and its single value (an invalid
// QVariant for events without one) for every event that `source`'s class
// declares. Lives as long as itself or `source`, whichever ends first.
class EventRelay : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(const QString& name, const QVariant& value)>;
    EventRelay(const QObject& source, Handler handler, QObject* parent = nullptr);

private Q_SLOTS:
    void relayNone();
    void relayText(const QString& value);
    void relayNumber(qint32 value);

private:
    void relay(const QVariant& value);

    Handler handler_;
};

}  // namespace patchwell::download
