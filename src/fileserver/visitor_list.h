#pragma once
// The members browsing the member's server, one entry per ID (compared
// without regard to letter case), in order of arrival. Sessions are halted
// through a callback that the file server supplies, under this list's lock:
// once a released session's entry is gone its slot may serve the next
// visitor, whom a halt taken from the list outside the lock would hit. So the
// callback never waits and never calls back into the list. Lock order: the
// pool lock before this one, this one before a session's lock.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "fileserver/fileserver_messages.h"

namespace velorin {

class IVisitorSession;

class CVisitorList {
public:
    using HaltFn = std::function<void(IVisitorSession*)>;

    explicit CVisitorList(HaltFn halt) : halt_(std::move(halt)) {}

    void SetOwner(ViewOwner owner);

    // At a browse sign-on. False (nothing added) when the ID is listed already.
    bool Add(const std::string& visitorId, IVisitorSession* session);
    // When a browse session is released: drops its own entry, if it had one.
    // Another connection under the same ID is left alone: an ID is only what
    // the visitor claims, so a stranger's connection must not end a member's.
    void Remove(const IVisitorSession* session);
    // "접속 끊기": halts the sessions of the ID; the entries stay until the sessions are reaped.
    void Kick(const std::string& visitorId);
    std::vector<std::string> Names() const;

private:
    struct Entry {
        std::string id;
        IVisitorSession* session;
    };
    void PostChanged() const;

    HaltFn halt_;
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    ViewOwner owner_;
};

}  // namespace velorin
