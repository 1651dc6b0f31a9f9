#pragma once
// The check of the member's own shared files against the word list
// ("불법 공유 자료 확인"): every shared folder walked depth first on a worker
// thread, each piece of each file name scanned. The dialog's window learns of
// each line, of the progress and of the end by posted messages.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "data/badword_filter.h"
#include "platform/message_queue.h"

namespace velorin {

namespace badword_check_text {
inline constexpr const char* kTitle = "불법 공유 자료 확인";
inline constexpr const char* kStart = "검색 시작";
inline constexpr const char* kNote1 = "공유하신 파일이 많으면 시간이 검색 시간이 ";
inline constexpr const char* kNote2 = "오래 걸릴수 있습니다.";
inline constexpr const char* kColumns[] = {"파일명", "경로", "금지어", "비고"};
}  // namespace badword_check_text

class CBadWordCheck {
public:
    // payload: the BadWordHit.
    static constexpr uint32_t kHitMessage = WM_USER + 1;
    // wParam: the files checked so far.
    static constexpr uint32_t kProgressMessage = WM_USER + 2;
    // wParam: the files checked; lParam: 1 when stopped before the end.
    static constexpr uint32_t kDoneMessage = WM_USER + 3;
    static constexpr uint64_t kProgressEvery = 100;

    CBadWordCheck(CBadWordFilter& filter, CMessageQueue& queue, WindowHandle window);
    // Stops a running check and waits for it.
    ~CBadWordCheck();
    CBadWordCheck(const CBadWordCheck&) = delete;
    CBadWordCheck& operator=(const CBadWordCheck&) = delete;

    // Empties the list and walks `sharePaths`. Does nothing (false) while a check runs.
    bool Start(std::vector<std::string> sharePaths);
    // Ends the walk early and waits for the worker.
    void Stop();
    bool Running() const { return running_; }
    // The lines found so far.
    std::vector<BadWordHit> Hits() const;

private:
    void Walk(const std::vector<std::string>& paths);
    void Found(const BadWordHit& hit);

    CBadWordFilter& filter_;
    CMessageQueue& queue_;
    WindowHandle window_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stopping_{false};
    std::mutex startLock_;
    std::thread worker_;
    mutable std::mutex hitsLock_;
    std::vector<BadWordHit> hits_;
};

}  // namespace velorin
