#include "shell/ProtectOptions.h"

#include <string>

#include "framework/BinaryStream.h"
#include "framework/Controls.h"
#include "framework/PropertyList.h"
#include "mapengine/MapFormat.h"
#include "shell/Layouts.h"
#include "shell/Tagshroud.h"

namespace {

using namespace layouts;

fw::PropertyList WindowProperties() {
    return WindowList({.Width = 356, .Height = 106, .Frame = SheetFrame, .Title = "Untitled",
                       .Resizeable = false, .MaximizeButton = false});
}

// The dialog's controls are shown, enabled and anchored to no side.
void AddDialogControlValues(fw::PropertyList& list) {
    list.AddBoolean("Enabled", true);
    AddCommonControlValues(list);
}

fw::PropertyList StaticText1List() {
    fw::PropertyList list = PlacedList({.Left = 20, .Top = 14, .Width = 100, .Height = 20, .TabIndex = 0});
    list.AddString("Text", "Tag Message:")
        .AddBoolean("Multiline", false)
        .AddInteger("TextAlign", 0)
        .AddColor("TextColor", Black);
    AddDialogControlValues(list);
    AddNoDataBinding(list);
    return list;
}

// The field sets no length limit of its own (LimitText 0): the protection
// refuses a text that one length byte cannot count.
fw::PropertyList TagInPutList() {
    fw::PropertyList list = PlacedList({.Left = 20, .Top = 46, .Width = 316, .Height = 22, .TabIndex = 1});
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
    AddDialogControlValues(list);
    AddNoDataBinding(list);
    return list;
}

// Neither button is a cancel button, not even the one captioned "Cancel".
fw::PropertyList ButtonList(const ControlPlacement& place, const std::string& caption, bool isDefault) {
    fw::PropertyList list = PlacedList(place);
    list.AddString("Caption", caption).AddBoolean("Default", isDefault).AddBoolean("Cancel", false);
    AddDialogControlValues(list);
    return list;
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

void ProtectOptions::Layout() { fw::SetProperties(*this, WindowProperties()); }

void ProtectOptions::CreateControls() { CreateControls0(); }

void ProtectOptions::CreateControls0() {
    BuildControl<fw::StaticText>(*this, "StaticText1", StaticText1List());
    BuildControl<fw::EditField>(*this, "TagInPut", TagInPutList());
    BuildControl<fw::PushButton>(
        *this, "PushButton1",
        ButtonList({.Left = 270, .Top = 80, .Width = 80, .Height = 20, .TabIndex = 2}, "Continue", true));
    Control<fw::PushButton>("PushButton1")->BindAction(Delegate(&ProtectOptions::PushButton1_Action));
    BuildControl<fw::PushButton>(
        *this, "PushButton2",
        ButtonList({.Left = 178, .Top = 80, .Width = 80, .Height = 20, .TabIndex = 3}, "Cancel", false));
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
    if (signature == FullMapHeader.HeadMagic)
        Tagshroud()->Full_Protect();
    else
        Tagshroud()->Demo_Protect();
}

void ProtectOptions::PushButton2_Action() { ::ProtectOptions()->Close(); }

std::shared_ptr<class ProtectOptions> ProtectOptions() {
    return fw::ImplicitWindow<class ProtectOptions>();
}
