#include <memory>
#include <string>

#include "framework/BinaryStream.h"
#include "framework/Controls.h"
#include "framework/Dialogs.h"
#include "framework/FolderItem.h"
#include "mapengine/MapEditions.h"
#include "shell/Tagshroud.h"

namespace {

constexpr const char* NotAMapMessage = "This is not a Halo map file.";
constexpr const char* NotOpenedMessage = "The map could not be opened for reading and writing.";

fw::FileType MapFileFilter() {
    fw::FileType type;
    type.Name = "map";
    type.MacType = "GamD";
    type.Extensions = "map";
    return type;
}

}  // namespace

// The Load button: asks for a file, opens it read-write as the window's
// stream and hands it to the listing of the edition whose head signature it
// carries. Cancelling only forgets the chosen file; the map listed before
// stays loaded.
void Tagshroud::Load_Action() {
    f = fw::GetOpenFolderItem(MapFileFilter());
    if (!f) return;

    br = f->OpenAsBinaryFile(true);
    if (!br) {
        // Without a stream no listing or protection may run: the list is
        // emptied and Prot disabled, as for a file that is not a map.
        Control<fw::Listbox>("taglist")->DeleteAllRows();
        fw::MsgBox(NotOpenedMessage);
        Control<fw::PushButton>("Prot")->SetEnabled(false);
        return;
    }
    br->SetLittleEndian(true);

    Control<fw::Listbox>("taglist")->DeleteAllRows();

    for (const MapEdition* edition : RecognisedEditions) {
        br->SetPosition(edition->Header.HeadMagicOffset);
        if (br->Read(HeadMagicSize) == edition->Header.HeadMagic) {
            (this->*edition->Load)();
            return;
        }
    }

    fw::MsgBox(NotAMapMessage);
    Control<fw::PushButton>("Prot")->SetEnabled(false);
}
