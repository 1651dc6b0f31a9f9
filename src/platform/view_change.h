#pragma once
// How a view model tells the views that draw it what changed: rows reset,
// inserted, changed or removed, or a state outside the rows (a path, a status
// strip, a member list). Observers run on the loop's thread, after the model
// has changed, and may read the model but not subscribe or unsubscribe.
#include <cstddef>
#include <functional>
#include <vector>

namespace velorin {

struct ViewChange {
    enum Kind { kReset, kInserted, kChanged, kRemoved, kState };
    Kind kind = kReset;
    // The rows [first, first + count) as the model holds them after the change
    // (for kRemoved: the rows that were there before it).
    size_t first = 0;
    size_t count = 0;
};

class CViewObservers {
public:
    using Observer = std::function<void(const ViewChange& change)>;

    // A token for Unsubscribe; never 0.
    int Subscribe(Observer observer);
    void Unsubscribe(int token);

    void Notify(const ViewChange& change) const;
    void Reset() const { Notify({ViewChange::kReset, 0, 0}); }
    void Inserted(size_t first, size_t count) const {
        Notify({ViewChange::kInserted, first, count});
    }
    void Changed(size_t first, size_t count) const { Notify({ViewChange::kChanged, first, count}); }
    void Removed(size_t first, size_t count) const { Notify({ViewChange::kRemoved, first, count}); }
    void StateChanged() const { Notify({ViewChange::kState, 0, 0}); }

private:
    struct Entry {
        int token;
        Observer observer;
    };
    std::vector<Entry> observers_;
    int nextToken_ = 1;
};

// Tells `observers` how a model's `newCount` rows replaced its `oldCount`: rows
// that name the same item at the start and at the end (`same(oldIndex,
// newIndex)`) are kept, one run inserted or removed between them is told as
// such, anything else as a reset; kept rows whose texts or values differ
// (`equal` false) are told as changed, at their new positions.
void NotifyRowChanges(const CViewObservers& observers, size_t oldCount, size_t newCount,
                      const std::function<bool(size_t, size_t)>& same,
                      const std::function<bool(size_t, size_t)>& equal);

}  // namespace velorin
