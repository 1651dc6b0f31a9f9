#pragma once
// A list kept from a view model's change notifications alone, as a front-end's
// item model keeps it: after each step it must equal the model's rows, and the
// notifications it saw are the step's, described as "inserted 1+1".
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/view_change.h"

namespace velorin::test {

std::string Describe(const ViewChange& change);

template <typename Row>
class CViewMirror {
public:
    using Rows = std::function<const std::vector<Row>&()>;

    CViewMirror(CViewObservers& observers, Rows rows) : rows_(std::move(rows)) {
        drawn = rows_();
        observers.Subscribe([this](const ViewChange& change) { Apply(change); });
    }

    // The notifications since the last call, repeats of the same one told once.
    std::vector<std::string> Take() {
        std::vector<std::string> out;
        for (const std::string& text : seen_) {
            if (out.empty() || out.back() != text) out.push_back(text);
        }
        seen_.clear();
        return out;
    }

    std::vector<Row> drawn;
    // A notification named rows that neither list holds.
    bool outOfRange = false;

private:
    // A notification that names rows neither list holds is recorded, not applied.
    bool Fits(bool fits) {
        outOfRange = outOfRange || !fits;
        return fits;
    }
    void Apply(const ViewChange& change) {
        seen_.push_back(Describe(change));
        const std::vector<Row>& rows = rows_();
        auto first = change.first, end = change.first + change.count;
        switch (change.kind) {
            case ViewChange::kReset:
                drawn = rows;
                break;
            case ViewChange::kInserted:
                if (Fits(first <= drawn.size() && end <= rows.size()))
                    drawn.insert(drawn.begin() + first, rows.begin() + first, rows.begin() + end);
                break;
            case ViewChange::kRemoved:
                if (Fits(end <= drawn.size()))
                    drawn.erase(drawn.begin() + first, drawn.begin() + end);
                break;
            case ViewChange::kChanged:
                if (Fits(end <= drawn.size() && end <= rows.size()))
                    std::copy(rows.begin() + first, rows.begin() + end, drawn.begin() + first);
                break;
            case ViewChange::kState:
                break;
        }
    }

    Rows rows_;
    std::vector<std::string> seen_;
};

inline std::string Describe(const ViewChange& change) {
    static const char* const kNames[] = {"reset", "inserted", "changed", "removed", "state"};
    std::string name = kNames[change.kind];
    if (change.kind == ViewChange::kReset || change.kind == ViewChange::kState) return name;
    return name + " " + std::to_string(change.first) + "+" + std::to_string(change.count);
}

}  // namespace velorin::test
