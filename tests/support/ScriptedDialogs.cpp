#include "tests/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include "framework/FolderItem.h"

namespace testsupport {

void ScriptedDialogs::QueueFile(std::string path) { answers_.emplace_back(std::move(path)); }

void ScriptedDialogs::QueueCancel() { answers_.emplace_back(std::nullopt); }

std::shared_ptr<fw::FolderItem> ScriptedDialogs::ChooseFile(const fw::FileType& type) {
    fileTypes_.push_back(type);
    if (answers_.empty()) {
        ADD_FAILURE() << "An open-file dialog (" << type.FilterText()
                      << ") was shown with no scripted answer left";
        return nullptr;
    }
    std::optional<std::string> answer = std::move(answers_.front());
    answers_.pop_front();
    if (!answer) return nullptr;
    return std::make_shared<fw::FolderItem>(std::move(*answer));
}

void ScriptedDialogs::ShowMessage(const std::string& text) {
    messages_.push_back(text);
    if (watcher_) watcher_(text);
}

ScopedScriptedDialogs::ScopedScriptedDialogs()
    : dialogs_(std::make_shared<ScriptedDialogs>()), previous_(fw::SetDialogProvider(dialogs_)) {}

ScopedScriptedDialogs::~ScopedScriptedDialogs() { fw::SetDialogProvider(previous_); }

}  // namespace testsupport
