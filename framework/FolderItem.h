#pragma once

#include <memory>
#include <string>

namespace fw {

class BinaryStream;

// One kind of file that the open-file dialog offers.
struct FileType {
    std::string Name;        // shown to the user, e.g. "map"
    std::string MacType;     // four-character type code, e.g. "GamD"
    std::string Extensions;  // without dots, several separated by ';'

    // The toolkit dialog's filter text: the name followed by the extensions
    // as patterns, e.g. "map (*.map)". The toolkit has no file type codes.
    std::string FilterText() const;
};

// A reference to a file chosen by the user.
class FolderItem {
public:
    explicit FolderItem(std::string path);

    const std::string& Path() const { return path_; }

    // The file opened as a binary stream, for reading and overwriting in place
    // when `readWrite` is true (read-only streams are not offered: false gives
    // nullptr). Returns nullptr when the file does not open that way.
    std::shared_ptr<BinaryStream> OpenAsBinaryFile(bool readWrite) const;

private:
    std::string path_;
};

}  // namespace fw
