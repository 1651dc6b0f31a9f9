#pragma once
// The current-search-terms window's model ("현재 진행중인  검색어"): while it
// is open, a 90 ms timer samples the search robot's current term and lists
// each new one, unless the list is paused.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "platform/message_queue.h"
#include "platform/view_change.h"

namespace velorin {

namespace search_terms_text {
inline constexpr const char* kTitle = "현재 진행중인  검색어";
inline constexpr const char* kPause = "일시중지";
inline constexpr const char* kResume = "계속";
}  // namespace search_terms_text

struct SearchTermsParts {
    // The robot's current term, read under its lock.
    std::function<std::string()> currentTerm;
    // The robot runs and the member is signed in.
    std::function<bool()> sampling;
};

class CSearchTermsView : public CWindowTarget {
public:
    static constexpr uint32_t kSampleTimer = 1;
    static constexpr std::chrono::milliseconds kSamplePeriod{90};
    // A new term empties a list that already holds more than this many lines.
    static constexpr size_t kMaxLines = 100;

    CSearchTermsView(CMessageQueue& queue, SearchTermsParts parts);
    ~CSearchTermsView() override;

    // The window opens and closes; only an open one samples.
    void Open();
    void Close();
    bool IsOpen() const { return open_; }
    // The button: "일시중지" pauses, then reads "계속" and resumes.
    void TogglePause();
    bool Paused() const { return paused_; }
    const char* PauseButtonText() const;

    // One tick of the timer.
    void Sample();
    const std::deque<std::string>& Lines() const { return lines_; }
    CViewObservers& Observers() { return observers_; }

    void OnMessage(const Message& message) override;

private:
    SearchTermsParts parts_;
    bool open_ = false;
    bool paused_ = false;
    std::string shown_;
    std::deque<std::string> lines_;
    CViewObservers observers_;
};

}  // namespace velorin
