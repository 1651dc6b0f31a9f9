#include "platform/person_lock.h"

namespace velorin {

namespace {
thread_local int held = 0;
}  // namespace

int HeldPersonLocks() {
    return held;
}

void detail::NotePersonLock(int delta) {
    held += delta;
}

}  // namespace velorin
