#pragma once

// The host's saved set of keyed values for one placed control, and the site
// that hears about property changes.

#include <QString>
#include <QVariant>

#include <initializer_list>
#include <map>
#include <utility>

namespace patchwell::download {

class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    // The stored value of `key` (matched without regard to case), or
    // `defaultValue` when none is stored.
    virtual QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const = 0;
    // Stores `value` under `key`; a value equal to `defaultValue` is not kept.
    virtual void WriteProperty(const QString& key, const QVariant& value,
                               const QVariant& defaultValue) = 0;
};

// An in-memory saved set, as the host windows keep them.
class MemoryPropertyBag : public PropertyBag {
public:
    MemoryPropertyBag() = default;
    MemoryPropertyBag(std::initializer_list<std::pair<QString, QVariant>> values);

    QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const override;
    void WriteProperty(const QString& key, const QVariant& value,
                       const QVariant& defaultValue) override;

    int size() const { return static_cast<int>(values_.size()); }
    bool contains(const QString& key) const;

private:
    std::map<QString, QVariant> values_;  // keyed by the lower-cased key
};

class ControlSite {
public:
    virtual ~ControlSite() = default;
    virtual void PropertyChanged(const QString& propertyName) = 0;
};

}  // namespace patchwell::download
