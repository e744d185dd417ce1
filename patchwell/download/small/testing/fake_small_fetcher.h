#pragma once

// A small-file fetcher for tests: answers scripted in turn while there are
// any, then from a table of bodies.

#include <QStringList>

#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "patchwell/download/small/small_fetcher.h"

namespace patchwell::download {

class FakeSmallFetcher : public SmallFetcher {
public:
    SmallAnswer Fetch(const SmallRequest& request) override {
        requests.push_back(request.url);
        asked.push_back(request);
        if (onFetch) {
            onFetch(request.url);
        }
        if (!answers.empty()) {
            SmallAnswer next = answers.front();
            answers.pop_front();
            return next;
        }
        SmallAnswer answer;
        const auto found = bodies.find(request.url);
        if (found != bodies.end() && found->second.size() <= request.maxBytes) {
            answer.kind = SmallAnswer::Kind::Body;
            answer.status = 200;
            answer.body = found->second;
        }
        return answer;
    }
    std::deque<SmallAnswer> answers;              // given first, one a request
    std::map<QString, QByteArray> bodies;         // what the server would answer
    QStringList requests;                         // the addresses asked
    std::vector<SmallRequest> asked;              // the requests whole
    std::function<void(const QString&)> onFetch;  // runs while the request is made
};

}  // namespace patchwell::download
