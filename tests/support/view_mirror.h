#pragma once
// A list kept from a view model's change notifications alone, as a front-end's
// item model keeps it: after each step it must equal the model's rows, and the
// notifications it saw are the step's, described as "inserted 1+1".
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
    void Apply(const ViewChange& change) {
        seen_.push_back(Describe(change));
        const std::vector<Row>& rows = rows_();
        size_t end = change.first + change.count;
        switch (change.kind) {
            case ViewChange::kReset:
                drawn = rows;
                break;
            case ViewChange::kInserted:
                if (change.first > drawn.size() || end > rows.size()) {
                    outOfRange = true;
                    break;
                }
                drawn.insert(drawn.begin() + change.first, rows.begin() + change.first,
                             rows.begin() + end);
                break;
            case ViewChange::kRemoved:
                if (end > drawn.size()) {
                    outOfRange = true;
                    break;
                }
                drawn.erase(drawn.begin() + change.first, drawn.begin() + end);
                break;
            case ViewChange::kChanged:
                if (end > drawn.size() || end > rows.size()) {
                    outOfRange = true;
                    break;
                }
                for (size_t i = change.first; i < end; ++i) drawn[i] = rows[i];
                break;
            case ViewChange::kState:
                break;
        }
    }

    Rows rows_;
    std::vector<std::string> seen_;
};

inline std::string Describe(const ViewChange& change) {
    switch (change.kind) {
        case ViewChange::kReset:
            return "reset";
        case ViewChange::kState:
            return "state";
        case ViewChange::kInserted:
            return "inserted " + std::to_string(change.first) + "+" + std::to_string(change.count);
        case ViewChange::kChanged:
            return "changed " + std::to_string(change.first) + "+" + std::to_string(change.count);
        case ViewChange::kRemoved:
            return "removed " + std::to_string(change.first) + "+" + std::to_string(change.count);
    }
    return "?";
}

}  // namespace velorin::test
