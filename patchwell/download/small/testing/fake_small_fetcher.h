#pragma once

// A small-file fetcher that answers from a table, for tests.

#include <QStringList>

#include <functional>
#include <map>

#include "patchwell/download/small/small_fetcher.h"

namespace patchwell::download {

class FakeSmallFetcher : public SmallFetcher {
public:
    std::optional<QByteArray> Fetch(const QString& url, qint64 maxBytes) override {
        requests.push_back(url);
        if (onFetch) {
            onFetch(url);
        }
        const auto found = bodies.find(url);
        if (found == bodies.end() || found->second.size() > maxBytes) {
            return std::nullopt;
        }
        return found->second;
    }
    std::map<QString, QByteArray> bodies;  // what the server would answer
    QStringList requests;
    std::function<void(const QString&)> onFetch;  // runs while the request is made
};

}  // namespace patchwell::download
