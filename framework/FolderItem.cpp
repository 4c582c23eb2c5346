#include "framework/FolderItem.h"

#include "framework/BinaryStream.h"

namespace fw {

std::string FileType::FilterText() const {
    std::string patterns;
    std::string_view rest = Extensions;
    while (!rest.empty()) {
        const std::size_t end = rest.find(';');
        const std::string_view extension = rest.substr(0, end);
        if (!extension.empty()) {
            if (!patterns.empty()) patterns += ' ';
            patterns += "*.";
            patterns += extension;
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    // A type without extensions matches every file.
    return Name + " (" + (patterns.empty() ? std::string("*") : patterns) + ")";
}

FolderItem::FolderItem(std::string path) : path_(std::move(path)) {}

std::shared_ptr<BinaryStream> FolderItem::OpenAsBinaryFile(bool readWrite) const {
    if (!readWrite) return nullptr;
    return BinaryStream::Open(path_);
}

}  // namespace fw
