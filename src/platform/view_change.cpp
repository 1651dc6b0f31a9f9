#include "platform/view_change.h"

#include <algorithm>

namespace velorin {

int CViewObservers::Subscribe(Observer observer) {
    int token = nextToken_++;
    observers_.push_back({token, std::move(observer)});
    return token;
}

void CViewObservers::Unsubscribe(int token) {
    std::erase_if(observers_, [token](const Entry& entry) { return entry.token == token; });
}

void CViewObservers::Notify(const ViewChange& change) const {
    for (const Entry& entry : observers_) {
        if (entry.observer)
            entry.observer(change);
    }
}

}  // namespace velorin
