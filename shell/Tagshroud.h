#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "framework/BinaryStream.h"
#include "framework/FolderItem.h"
#include "framework/Menus.h"
#include "framework/Window.h"

struct MapEdition;

// The main window: the home of the loaded map. It owns the map state, and the
// map engine's routines are its methods, defined under mapengine/. The window
// class, its layout and its handlers are defined under shell/.
class Tagshroud : public fw::Window {
public:
    static constexpr std::string_view FrameworkClassName = "Tagshroud.Tagshroud";
    ~Tagshroud() override;

    // Action handlers of the buttons `Load` and `Prot`.
    void Load_Action();
    void Prot_Action();

    // Menu handler of the About item.
    bool AboutAppz_Action();

    // Menu-item accessors: the item of that name in the window's menu bar.
    std::shared_ptr<fw::MenuItem> EditMenu();
    std::shared_ptr<fw::MenuItem> EditSelectAll();
    std::shared_ptr<fw::MenuItem> UntitledMenu0();
    std::shared_ptr<fw::MenuItem> EditClear();
    std::shared_ptr<fw::MenuItem> EditPaste();
    std::shared_ptr<fw::MenuItem> EditCopy();
    std::shared_ptr<fw::MenuItem> EditCut();
    std::shared_ptr<fw::MenuItem> UntitledMenu1();
    std::shared_ptr<fw::MenuItem> EditUndo();
    std::shared_ptr<fw::MenuItem> FileMenu();
    std::shared_ptr<fw::QuitMenuItem> FileQuit();
    std::shared_ptr<fw::AppleMenuItem> AboutAppz();

    // Listing and protection of the two map editions.
    void Demo_Load();
    void Full_Load();
    void Demo_Protect();
    void Full_Protect();

    // The map state, kept from one operation to the next.
    std::shared_ptr<fw::FolderItem> f;
    std::shared_ptr<fw::BinaryStream> br;
    std::int32_t IndexOffset = 0;
    std::int32_t N = 0;
    std::int32_t TempData = 0;
    std::int32_t TagCount = 0;
    std::int32_t IndexMagic = 0;
    std::int32_t MapMagic = 0;
    std::int32_t NamePointer = 0;
    std::int32_t TempOffset = 0;

protected:
    void Layout() override;
    void CreateControls() override;
    void AddMenuHandlers(fw::Window& window) override;

private:
    friend std::shared_ptr<Tagshroud> fw::ImplicitWindow<Tagshroud>();
    Tagshroud();

    void CreateControls0();

    // The map engine's shared steps (mapengine/).
    std::int64_t PointerToOffset(std::int32_t pointer) const;
    std::string ReadCString(std::int32_t cap, std::int32_t& counter);
    // The same into `name`, emptied first, whose room a loop reuses.
    void ReadCString(std::int32_t cap, std::int32_t& counter, std::string& name);
    void ListMap(const MapEdition& edition);
    void ReadIndexHeader();
    void ListTag(std::string& name);
    std::int64_t WholeTagEntriesInFile();
    void ProtectMap(const MapEdition& edition);
    void WipeCString(std::int64_t position, std::int32_t cap);
    void RedirectName();
    void WriteReplacementName();

    // The protection's own steps (mapengine/Protect.cpp).
    void ReadProtectionIndex(const MapEdition& edition);
    bool ProtectionMayWrite(std::int64_t length);
    bool TagIndexLiesInFile(std::int64_t length, std::int64_t replacementSize);
    void ExpectLengthUnchanged(std::int64_t length);
    void ProtectTag(const MapEdition& edition, std::string& name);
    void ReadNamePointerField();
};

// The main window: the live one, or a new one when none is open. Being named
// after its class, it hides the class name: write `class Tagshroud` for the
// type outside the class.
std::shared_ptr<class Tagshroud> Tagshroud();
