#include "framework/Dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "framework/FolderItem.h"
#include "framework/qt/Internal.h"

namespace fw {
namespace {

// The toolkit's dialogs. The file dialog is Qt's own widget dialog rather
// than the platform's, so that it looks and behaves the same everywhere and
// can be driven by input tools.
class ToolkitDialogs : public DialogProvider {
public:
    std::shared_ptr<FolderItem> ChooseFile(const FileType& type) override {
        QFileDialog dialog(QApplication::activeWindow());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({detail::FromUtf8(type.FilterText())});
        if (dialog.exec() != QDialog::Accepted) return nullptr;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty()) return nullptr;
        return std::make_shared<FolderItem>(QFile::encodeName(chosen.first()).toStdString());
    }

    void ShowMessage(const std::string& text) override {
        QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), detail::FromUtf8(text),
                        QMessageBox::Ok, QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
};

std::shared_ptr<DialogProvider>& Installed() {
    static std::shared_ptr<DialogProvider> provider;
    return provider;
}

DialogProvider& Current() {
    static ToolkitDialogs toolkit;
    if (Installed()) return *Installed();
    return toolkit;
}

}  // namespace

std::shared_ptr<DialogProvider> SetDialogProvider(std::shared_ptr<DialogProvider> provider) {
    auto previous = std::move(Installed());
    Installed() = std::move(provider);
    return previous;
}

std::shared_ptr<FolderItem> GetOpenFolderItem(const FileType& type) {
    // The provider stays alive through the dialog even if it is replaced.
    auto keep = Installed();
    return Current().ChooseFile(type);
}

void MsgBox(const std::string& text) {
    auto keep = Installed();
    Current().ShowMessage(text);
}

}  // namespace fw
