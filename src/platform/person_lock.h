#pragma once
// Core locks that must never be held across a call into the person: a question
// or a dialog keeps the loop waiting for an answer, and every worker that needs
// the lock would wait with it. Each thread counts the ones it holds, in every
// build (one thread-local increment per lock and unlock), so a test's user
// interface can fail any call made while one is held. The count lives in the
// mutex, not in a guard, so no lock_guard or unique_lock over it is missed.
#include <mutex>

namespace velorin {

// How many person locks the calling thread holds.
int HeldPersonLocks();

namespace detail {
void NotePersonLock(int delta);
}

template <typename Mutex>
class CPersonLock {
public:
    void lock() {
        mutex_.lock();
        detail::NotePersonLock(1);
    }
    bool try_lock() {
        if (!mutex_.try_lock()) return false;
        detail::NotePersonLock(1);
        return true;
    }
    void unlock() {
        detail::NotePersonLock(-1);
        mutex_.unlock();
    }

private:
    Mutex mutex_;
};

using CPersonMutex = CPersonLock<std::mutex>;
using CPersonRecursiveMutex = CPersonLock<std::recursive_mutex>;

}  // namespace velorin
