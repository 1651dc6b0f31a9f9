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

void CVisitorList::Remove(const IVisitorSession* session) {
    size_t dropped = 0;
    {
        std::lock_guard lock(mutex_);
        dropped = std::erase_if(entries_, [&](const Entry& e) { return e.session == session; });
    }
    if (dropped != 0) PostChanged();
}

void CVisitorList::Kick(const std::string& visitorId) {
    {
        std::lock_guard lock(mutex_);
        for (const Entry& e : entries_) {
            if (EqualsIgnoreCase(e.id, visitorId) && halt_) halt_(e.session);
        }
    }
    PostChanged();
}

std::vector<std::string> CVisitorList::Names() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const Entry& e : entries_) names.push_back(e.id);
    return names;
}

}  // namespace velorin
