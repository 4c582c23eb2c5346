#pragma once

#include <memory>
#include <string>

namespace fw {

class FolderItem;
struct FileType;

// Where the framework's modal dialogs come from. The framework starts with
// dialogs of the desktop toolkit; tests install a scripted provider.
class DialogProvider {
public:
    virtual ~DialogProvider() = default;
    // The file the user chose in an open-file dialog that offers files of
    // `type`, or nullptr when the user cancelled.
    virtual std::shared_ptr<FolderItem> ChooseFile(const FileType& type) = 0;
    // Shows `text` in a modal message box and returns once it is dismissed.
    virtual void ShowMessage(const std::string& text) = 0;
};

// Installs `provider` (nullptr brings back the toolkit's dialogs) and returns
// the one installed before.
std::shared_ptr<DialogProvider> SetDialogProvider(std::shared_ptr<DialogProvider> provider);

// The open-file dialog offering files of `type`: the chosen file, or nullptr
// on cancel. The dialog turns the type into its filter (FileType::FilterText).
std::shared_ptr<FolderItem> GetOpenFolderItem(const FileType& type);

// A modal message box with `text`.
void MsgBox(const std::string& text);

}  // namespace fw
