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

// The signatures of the signals that `source`'s class declares (or, when it
// declares none, those of the nearest base class that does: a port or a fake
// deriving from the class that declares the events), in declaration order,
// e.g. "DLError(QString)". These are the events that ForwardEvents and
// EventRelay handle.
QStringList DeclaredEvents(const QObject& source);

// Connects every event of `source` (see DeclaredEvents) to the signal of the
// same signature on `target`, so that `target` raises it synchronously.
// Returns false, connecting nothing, when `target` lacks one of them.
bool ForwardEvents(const QObject& source, QObject& target);

// Calls a handler with the event's name and its single value (an invalid
// QVariant for events without one) for every event of `source` whose value
// is a text or a number (all of the control's). After `source` is destroyed
// the handler is no longer called.
class EventRelay : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(const QString& name, const QVariant& value)>;
    EventRelay(const QObject& source, Handler handler, QObject* parent = nullptr);

private Q_SLOTS:
    void relayNone();
    void relayText(const QString& value);
    void relayNumber(qint32 value);
    void relayCount(qint64 value);

private:
    void relay(const QVariant& value);

    Handler handler_;
};

}  // namespace patchwell::download
