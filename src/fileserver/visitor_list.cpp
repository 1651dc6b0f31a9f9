#include "fileserver/visitor_list.h"

#include "platform/strings.h"

namespace velorin {

void CVisitorList::SetOwner(ViewOwner owner) {
    std::lock_guard lock(mutex_);
    owner_ = owner;
}

bool CVisitorList::Add(const std::string& visitorId, IVisitorSession* session) {
    {
        std::lock_guard lock(mutex_);
        for (const Entry& e : entries_) {
            if (EqualsIgnoreCase(e.id, visitorId)) return false;
        }
        entries_.push_back({visitorId, session});
    }
    PostChanged();
    return true;
}

void CVisitorList::PostChanged() const {
    ViewOwner owner;
    {
        std::lock_guard lock(mutex_);
        owner = owner_;
    }
    owner.Post(WM_VISITORS_CHANGED);
}

void CVisitorList::HaltEntries(const std::string& visitorId, bool drop) {
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (!EqualsIgnoreCase(it->id, visitorId)) {
            ++it;
            continue;
        }
        if (halt_) halt_(it->session);
        it = drop ? entries_.erase(it) : it + 1;
    }
}

void CVisitorList::Remove(const std::string& visitorId) {
    HaltEntries(visitorId, true);
    PostChanged();
}

void CVisitorList::Kick(const std::string& visitorId) {
    HaltEntries(visitorId, false);
    PostChanged();
}

std::vector<std::string> CVisitorList::Names() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const Entry& e : entries_) names.push_back(e.id);
    return names;
}

}  // namespace velorin
