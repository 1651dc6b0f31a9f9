#pragma once
// A user interface that records what it was asked to show, for exact checks.
// Every call fails the test when it comes from a thread other than the loop's
// (the queue's when one is followed, else the thread that made the recorder)
// or while the caller holds a person lock (platform/person_lock.h).
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/user_interface.h"

namespace velorin {
class CMessageQueue;
}

namespace velorin::test {

class CRecordingUserInterface : public IUserInterface {
public:
    struct Row {
        std::string time;
        int kind;
        std::string text;
    };

    void ShowMessage(const std::string& text, const std::string&) override {
        Add("ShowMessage", messages_, text);
    }
    bool AskYesNo(const std::string& text, const std::string&) override;
    void ShowPopup(const std::string& text, int) override { Add("ShowPopup", popups_, text); }
    void AddStatusRow(const std::string& time, int kind, const std::string& text) override {
        Add("AddStatusRow", rows_, Row{time, kind, text});
    }
    void Activate(int kind, const std::string& text) override {
        Add("Activate", activations_, std::to_string(kind) + " " + text);
    }
    void SetMemberState(MemberState state) override;
    void SetStatusPane(int pane, const std::string& text) override;
    void SetTrayTooltip(const std::string& text) override;
    void ShowConnecting(const std::string& text) override {
        Add("ShowConnecting", opened_, "connecting " + text);
    }
    void CloseConnecting() override { Add("CloseConnecting", opened_, "connecting closed"); }
    void OpenUrl(const std::string& url, bool carriesPassword) override {
        Add("OpenUrl", opened_, (carriesPassword ? "secret-url " : "url ") + url);
    }
    void OpenFolder(const std::string& path) override {
        Add("OpenFolder", opened_, "folder " + path);
    }
    bool OpenOptions() override;
    void ShowSignInDialog() override { Add("ShowSignInDialog", opened_, "sign-in dialog"); }
    void ShowNotice(const std::string& html) override {
        Add("ShowNotice", opened_, "notice " + html);
    }
    void OfferFolderDownload(const FolderDownloadOffer& offer) override {
        Add("OfferFolderDownload", opened_,
            "folder offer " + offer.remotePath + " " + offer.localName);
    }
    std::string PickFile(const std::string& title, const std::string&) override;
    void ShowTransferPage() override { Add("ShowTransferPage", opened_, "transfer page"); }

    // From now on the loop's thread is the one that runs `queue`.
    void Follow(const CMessageQueue& queue) { queue_ = &queue; }

    // Message boxes, and questions as "? text".
    std::vector<std::string> Messages() const { return Get(messages_); }
    std::vector<Row> Rows() const { return Get(rows_); }
    std::vector<std::string> RowTexts() const;
    std::vector<std::string> Popups() const { return Get(popups_); }
    std::vector<std::string> Activations() const { return Get(activations_); }
    // Windows and pages opened: "connecting TEXT", "connecting closed", "url URL",
    // "secret-url URL", "folder PATH", "options", "sign-in dialog",
    // "notice HTML", "folder offer PATH NAME", "pick TITLE", "transfer page".
    std::vector<std::string> Opened() const { return Get(opened_); }
    std::string Pane(int pane) const;
    std::string Tray() const { return Get(tray_); }
    MemberState State() const { return Get(state_); }

    // The answer to every question, and what happens while one is open.
    bool answer = true;
    std::function<void()> onQuestion;
    // The file every file dialog picks, and what happens while one is open.
    std::string pickedFile;
    std::function<void()> onPick;

private:
    void Check(const char* call) const;
    template <typename T, typename V>
    void Add(const char* call, std::vector<T>& to, V value) {
        Check(call);
        std::lock_guard lock(mutex_);
        to.push_back(std::move(value));
    }
    template <typename T>
    T Get(const T& value) const {
        std::lock_guard lock(mutex_);
        return value;
    }

    // Only guards the records for the test's thread, which reads them while the loop runs.
    mutable std::mutex mutex_;
    std::atomic<const CMessageQueue*> queue_{nullptr};
    const std::thread::id maker_ = std::this_thread::get_id();
    std::vector<std::string> messages_;
    std::vector<std::string> popups_;
    std::vector<Row> rows_;
    std::vector<std::string> activations_;
    std::vector<std::string> opened_;
    std::map<int, std::string> panes_;
    std::string tray_;
    MemberState state_ = MemberState::kOffline;
};

}  // namespace velorin::test
