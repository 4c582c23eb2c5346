#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Dialogs.h"
#include "framework/FolderItem.h"

namespace testsupport {

// Dialogs that answer from a script instead of a user: each open-file dialog
// takes the next queued answer, and every message box is recorded and
// dismissed at once.
class ScriptedDialogs : public fw::DialogProvider {
public:
    // The next open-file dialog chooses `path`.
    void QueueFile(std::string path);
    // The next open-file dialog is cancelled.
    void QueueCancel();

    // Takes the next queued answer. With none queued the test fails (the
    // program asked for a file the test did not expect) and the dialog counts
    // as cancelled.
    std::shared_ptr<fw::FolderItem> ChooseFile(const fw::FileType& type) override;
    void ShowMessage(const std::string& text) override;
    // Runs `watcher` with each message at the moment it is shown.
    void WatchMessages(std::function<void(const std::string&)> watcher) { watcher_ = std::move(watcher); }

    // Every text shown in a message box, in the order shown.
    const std::vector<std::string>& Messages() const { return messages_; }
    // The file type of every open-file dialog, in the order asked.
    const std::vector<fw::FileType>& FileTypes() const { return fileTypes_; }
    // Answers queued and not yet taken.
    std::size_t PendingAnswers() const { return answers_.size(); }

private:
    std::deque<std::optional<std::string>> answers_;  // nullopt: cancel
    std::vector<std::string> messages_;
    std::vector<fw::FileType> fileTypes_;
    std::function<void(const std::string&)> watcher_;
};

// Installs scripted dialogs for one scope and brings back the provider that
// was installed before when the scope ends.
class ScopedScriptedDialogs {
public:
    ScopedScriptedDialogs();
    ~ScopedScriptedDialogs();
    ScopedScriptedDialogs(const ScopedScriptedDialogs&) = delete;
    ScopedScriptedDialogs& operator=(const ScopedScriptedDialogs&) = delete;

    ScriptedDialogs& operator*() const { return *dialogs_; }
    ScriptedDialogs* operator->() const { return dialogs_.get(); }

private:
    std::shared_ptr<ScriptedDialogs> dialogs_;
    std::shared_ptr<fw::DialogProvider> previous_;
};

}  // namespace testsupport
