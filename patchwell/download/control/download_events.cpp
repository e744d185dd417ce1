#include "patchwell/download/control/download_events.h"

#include <QMetaMethod>

#include <vector>

namespace patchwell::download {

namespace {

// The signals of the nearest class, from `source`'s own upwards, that
// declares any: a port or a fake that derives from the class declaring the
// events has them too.
std::vector<QMetaMethod> OwnSignals(const QObject& source) {
    std::vector<QMetaMethod> found;
    for (const QMetaObject* meta = source.metaObject(); meta != nullptr && found.empty();
         meta = meta->superClass()) {
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal) {
                found.push_back(method);
            }
        }
    }
    return found;
}

}  // namespace

QStringList DeclaredEvents(const QObject& source) {
    QStringList names;
    for (const QMetaMethod& method : OwnSignals(source)) {
        names << QString::fromLatin1(method.methodSignature());
    }
    return names;
}

bool ForwardEvents(const QObject& source, QObject& target) {
    const std::vector<QMetaMethod> events = OwnSignals(source);
    std::vector<QMetaMethod> targets;
    for (const QMetaMethod& event : events) {
        const int index = target.metaObject()->indexOfSignal(event.methodSignature().constData());
        if (index < 0) {
            return false;
        }
        targets.push_back(target.metaObject()->method(index));
    }
    for (std::size_t i = 0; i < events.size(); ++i) {
        QObject::connect(&source, events[i], &target, targets[i], Qt::DirectConnection);
    }
    return true;
}

EventRelay::EventRelay(const QObject& source, Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    const QMetaObject* own = metaObject();
    const QMetaMethod none = own->method(own->indexOfSlot("relayNone()"));
    const QMetaMethod text = own->method(own->indexOfSlot("relayText(QString)"));
    const QMetaMethod number = own->method(own->indexOfSlot("relayNumber(int)"));
    const QMetaMethod count = own->method(own->indexOfSlot("relayCount(qlonglong)"));
    for (const QMetaMethod& event : OwnSignals(source)) {
        const QMetaMethod* slot = nullptr;
        if (event.parameterCount() == 0) {
            slot = &none;
        } else if (event.parameterType(0) == QMetaType::QString) {
            slot = &text;
        } else if (event.parameterType(0) == QMetaType::Int) {
            slot = &number;
        } else if (event.parameterType(0) == QMetaType::LongLong) {
            slot = &count;
        }
        if (slot != nullptr) {
            connect(&source, event, this, *slot, Qt::DirectConnection);
        }
    }
    connect(&source, &QObject::destroyed, this, [this] { handler_ = nullptr; });
}

void EventRelay::relayNone() {
    relay(QVariant());
}

void EventRelay::relayText(const QString& value) {
    relay(value);
}

void EventRelay::relayNumber(qint32 value) {
    relay(value);
}

void EventRelay::relayCount(qint64 value) {
    relay(value);
}

void EventRelay::relay(const QVariant& value) {
    const QObject* source = sender();
    const int index = senderSignalIndex();
    if (source == nullptr || index < 0 || !handler_) {
        return;
    }
    handler_(QString::fromLatin1(source->metaObject()->method(index).name()), value);
}

}  // namespace patchwell::download
