#include "patchwell/download/control/property_bag.h"

namespace patchwell::download {

MemoryPropertyBag::MemoryPropertyBag(std::initializer_list<std::pair<QString, QVariant>> values) {
    for (const auto& [key, value] : values) {
        values_[key.toLower()] = value;
    }
}

QVariant MemoryPropertyBag::ReadProperty(const QString& key, const QVariant& defaultValue) const {
    const auto it = values_.find(key.toLower());
    return it == values_.end() ? defaultValue : it->second;
}

void MemoryPropertyBag::WriteProperty(const QString& key, const QVariant& value,
                                      const QVariant& defaultValue) {
    if (value == defaultValue) {
        values_.erase(key.toLower());
    } else {
        values_[key.toLower()] = value;
    }
}

bool MemoryPropertyBag::contains(const QString& key) const {
    return values_.count(key.toLower()) != 0;
}

}  // namespace patchwell::download
