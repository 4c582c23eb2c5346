#include "shell/ProtectOptions.h"

#include <cstdint>
#include <limits>
#include <string>

#include "framework/BinaryStream.h"
#include "framework/Controls.h"
#include "framework/PropertyList.h"
#include "mapengine/MapFormat.h"
#include "shell/Tagshroud.h"

namespace {

constexpr fw::Color White{255, 255, 255};
constexpr fw::Color Black{0, 0, 0};
// Frame kind 8 is a sheet: shown over the main window, which takes no input
// while it is up.
constexpr std::int32_t SheetFrame = 8;
// The Index of a control that belongs to no control array.
constexpr std::int32_t NoControlArray = std::numeric_limits<std::int32_t>::min();

fw::PropertyList WindowList() {
    fw::PropertyList list;
    list.AddInteger("Placement", 0)
        .AddInteger("Width", 356)
        .AddInteger("Height", 106)
        .AddInteger("MinWidth", 64)
        .AddInteger("MinHeight", 64)
        .AddInteger("MaxWidth", 32000)
        .AddInteger("MaxHeight", 32000)
        .AddInteger("Frame", SheetFrame)
        .AddBoolean("Composite", false)
        .AddBoolean("HasBackColor", false)
        .AddColor("BackColor", White)
        .AddString("Title", "Untitled")
        .AddBoolean("Visible", true)
        .AddBoolean("FullScreen", false)
        .AddBoolean("MenuBarVisible", true)
        .AddBoolean("CloseButton", true)
        .AddBoolean("Resizeable", false)
        .AddBoolean("LiveResize", true)
        .AddBoolean("MaximizeButton", false)
        .AddBoolean("MinimizeButton", true)
        .AddString("BalloonHelp", "")
        .AddInteger("MacProcID", 0);
    return list;
}

struct Placement {
    std::int32_t Left;
    std::int32_t Top;
    std::int32_t Width;
    std::int32_t Height;
    std::int32_t TabIndex;
};

// A control's list starts with its place and its tab position.
fw::PropertyList PlacedList(const Placement& place) {
    fw::PropertyList list;
    list.AddInteger("Left", place.Left)
        .AddInteger("Top", place.Top)
        .AddInteger("Width", place.Width)
        .AddInteger("Height", place.Height)
        .AddInteger("TabIndex", place.TabIndex);
    return list;
}

// What every control of the dialog carries after its own values: shown,
// enabled, the system font, no anchoring and no control array.
void AddCommonValues(fw::PropertyList& list) {
    list.AddBoolean("Visible", true)
        .AddBoolean("Enabled", true)
        .AddBoolean("AutoDeactivate", true)
        .AddString("TextFont", "System")
        .AddInteger("TextSize", 0)
        .AddBoolean("Bold", false)
        .AddBoolean("Italic", false)
        .AddBoolean("Underline", false)
        .AddString("HelpTag", "")
        .AddBoolean("LockLeft", false)
        .AddBoolean("LockTop", false)
        .AddBoolean("LockRight", false)
        .AddBoolean("LockBottom", false)
        .AddInteger("TabPanelIndex", 0)
        .AddInteger("Index", NoControlArray)
        .AddString("InitialParent", "");
}

// The label and the field are bound to no data source.
void AddNoDataBinding(fw::PropertyList& list) {
    list.AddString("DataField", "").AddString("DataSource", "");
}

fw::PropertyList StaticText1List() {
    fw::PropertyList list = PlacedList({20, 14, 100, 20, 0});
    list.AddString("Text", "Tag Message:")
        .AddBoolean("Multiline", false)
        .AddInteger("TextAlign", 0)
        .AddColor("TextColor", Black);
    AddCommonValues(list);
    AddNoDataBinding(list);
    return list;
}

// The field sets no length limit of its own (LimitText 0): the protection
// refuses a text that one length byte cannot count.
fw::PropertyList TagInPutList() {
    fw::PropertyList list = PlacedList({20, 46, 316, 22, 1});
    list.AddString("Text", "")
        .AddBoolean("Multiline", false)
        .AddInteger("LimitText", 0)
        .AddBoolean("ReadOnly", false)
        .AddBoolean("Password", false)
        .AddBoolean("Styled", false)
        .AddBoolean("Border", true)
        .AddBoolean("AcceptTabs", false)
        .AddInteger("Alignment", 0)
        .AddString("Mask", "")
        .AddString("Format", "")
        .AddBoolean("ScrollbarVertical", true)
        .AddBoolean("ScrollbarHorizontal", false)
        .AddBoolean("UseFocusRing", true)
        .AddColor("BackColor", White)
        .AddColor("TextColor", Black);
    AddCommonValues(list);
    AddNoDataBinding(list);
    return list;
}

// Neither button is a cancel button, not even the one captioned "Cancel".
fw::PropertyList ButtonList(const Placement& place, const std::string& caption, bool isDefault) {
    fw::PropertyList list = PlacedList(place);
    list.AddString("Caption", caption).AddBoolean("Default", isDefault).AddBoolean("Cancel", false);
    AddCommonValues(list);
    return list;
}

// Makes a control of class C owned by `window`, registers it under `name`,
// then finds it again by that name and applies its list.
template <class C>
void BuildControl(fw::Window& window, const std::string& name, const fw::PropertyList& list) {
    window.AddControl(name, window.New<C>());
    fw::SetProperties(*window.Control<C>(name), list);
}

// "Continue" protects only a map that the main window holds listed: a file
// that did not open leaves no stream, and one that was rejected as no map
// leaves `Prot` disabled.
bool MainWindowHoldsMap() {
    auto main = Tagshroud();
    return main->br && main->Control<fw::PushButton>("Prot")->Enabled();
}

}  // namespace

ProtectOptions::ProtectOptions() : fw::Window(std::string(FrameworkClassName)) {}

void ProtectOptions::Layout() { fw::SetProperties(*this, WindowList()); }

void ProtectOptions::CreateControls() { CreateControls0(); }

void ProtectOptions::CreateControls0() {
    BuildControl<fw::StaticText>(*this, "StaticText1", StaticText1List());
    BuildControl<fw::EditField>(*this, "TagInPut", TagInPutList());
    BuildControl<fw::PushButton>(*this, "PushButton1", ButtonList({270, 80, 80, 20, 2}, "Continue", true));
    Control<fw::PushButton>("PushButton1")->BindAction(Delegate(&ProtectOptions::PushButton1_Action));
    BuildControl<fw::PushButton>(*this, "PushButton2", ButtonList({178, 80, 80, 20, 3}, "Cancel", false));
    Control<fw::PushButton>("PushButton2")->BindAction(Delegate(&ProtectOptions::PushButton2_Action));
}

// The dialog has no menu handlers.
void ProtectOptions::AddMenuHandlers(fw::Window& window) { (void)window; }

// The edition is read from the file anew at every press; a map that is not of
// the full edition has been accepted as a demo map by its load.
void ProtectOptions::PushButton1_Action() {
    if (!MainWindowHoldsMap()) {
        ::ProtectOptions()->Close();
        return;
    }
    Tagshroud()->br->SetPosition(0);
    const std::string signature = Tagshroud()->br->Read(HeadMagicSize);
    if (signature == FullEdition.HeadMagic)
        Tagshroud()->Full_Protect();
    else
        Tagshroud()->Demo_Protect();
}

void ProtectOptions::PushButton2_Action() { ::ProtectOptions()->Close(); }

std::shared_ptr<class ProtectOptions> ProtectOptions() {
    return fw::ImplicitWindow<class ProtectOptions>();
}
