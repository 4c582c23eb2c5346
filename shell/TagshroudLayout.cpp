#include <cstdint>
#include <limits>

#include "framework/Controls.h"
#include "framework/PropertyList.h"
#include "framework/Window.h"
#include "shell/MenuBar1.h"
#include "shell/Tagshroud.h"

namespace {

constexpr fw::Color White{255, 255, 255};
constexpr fw::Color Black{0, 0, 0};
// A control that belongs to no control array.
constexpr std::int32_t NoControlArray = std::numeric_limits<std::int32_t>::min();

fw::PropertyList WindowProperties() {
    return fw::PropertyList()
        .AddInteger("Placement", 0)
        .AddInteger("Width", 436)
        .AddInteger("Height", 245)
        .AddInteger("MinWidth", 64)
        .AddInteger("MinHeight", 64)
        .AddInteger("MaxWidth", 32000)
        .AddInteger("MaxHeight", 32000)
        .AddInteger("Frame", 0)
        .AddBoolean("Composite", false)
        .AddBoolean("HasBackColor", false)
        .AddColor("BackColor", White)
        .AddString("Title", "")
        .AddBoolean("Visible", true)
        .AddBoolean("FullScreen", false)
        .AddBoolean("MenuBarVisible", true)
        .AddBoolean("CloseButton", true)
        .AddBoolean("Resizeable", true)
        .AddBoolean("LiveResize", true)
        .AddBoolean("MaximizeButton", true)
        .AddBoolean("MinimizeButton", true)
        .AddString("BalloonHelp", "")
        .AddInteger("MacProcID", 0);
}

struct ControlPlacement {
    std::int32_t Left, Top, Width, Height;
    bool LockLeft, LockTop, LockRight, LockBottom;
    std::int32_t TabIndex;
};

// Position, anchors and tab order, then what all four controls share.
fw::PropertyList ControlProperties(const ControlPlacement& at) {
    fw::PropertyList list;
    list.AddInteger("Left", at.Left)
        .AddInteger("Top", at.Top)
        .AddInteger("Width", at.Width)
        .AddInteger("Height", at.Height)
        .AddBoolean("LockLeft", at.LockLeft)
        .AddBoolean("LockTop", at.LockTop)
        .AddBoolean("LockRight", at.LockRight)
        .AddBoolean("LockBottom", at.LockBottom)
        .AddInteger("TabIndex", at.TabIndex)
        .AddInteger("Index", NoControlArray)
        .AddInteger("TabPanelIndex", 0)
        .AddBoolean("Visible", true)
        .AddString("HelpTag", "")
        .AddBoolean("AutoDeactivate", true)
        .AddString("TextFont", "System")
        .AddInteger("TextSize", 0)
        .AddBoolean("Bold", false)
        .AddBoolean("Italic", false)
        .AddBoolean("Underline", false)
        .AddString("InitialParent", "");
    return list;
}

fw::PropertyList LoadProperties() {
    return ControlProperties({6, 6, 80, 20, true, true, false, false, 0})
        .AddString("Caption", "Load Map")
        .AddBoolean("Default", true)
        .AddBoolean("Cancel", false)
        .AddBoolean("Enabled", true);
}

fw::PropertyList TaglistProperties() {
    return ControlProperties({6, 38, 424, 175, true, true, true, true, 1})
        .AddString("InitialValue", "Tags:")
        .AddBoolean("Enabled", true)
        .AddInteger("ColumnCount", 1)
        .AddString("ColumnWidths", "")
        .AddBoolean("HasHeading", true)
        .AddBoolean("UseFocusRing", true)
        .AddInteger("HeadingIndex", -1)
        .AddBoolean("ScrollbarHorizontal", false)
        .AddBoolean("ScrollBarVertical", true)
        .AddInteger("GridLinesHorizontal", 0)
        .AddInteger("GridLinesVertical", 0)
        .AddInteger("DefaultRowHeight", -1)
        .AddInteger("_ScrollWidth", -1)
        .AddInteger("_ScrollOffset", 0)
        .AddBoolean("Hierarchical", true)
        .AddBoolean("EnableDrag", false)
        .AddBoolean("EnableDragReorder", false)
        .AddBoolean("RequiresSelection", false)
        .AddInteger("SelectionType", 0)
        .AddBoolean("ColumnsResizable", false)
        .AddBoolean("AutoHideScrollbars", true)
        .AddString("DataSource", "")
        .AddString("DataField", "");
}

fw::PropertyList ProtProperties() {
    return ControlProperties({6, 219, 107, 20, true, false, false, true, 2})
        .AddString("Caption", "Protect Map")
        .AddBoolean("Default", false)
        .AddBoolean("Cancel", false)
        .AddBoolean("Enabled", false);
}

fw::PropertyList TagcountDispProperties() {
    return ControlProperties({303, 6, 127, 20, false, true, true, false, 3})
        .AddString("Text", "Tag Count:")
        .AddInteger("TextAlign", 0)
        .AddColor("TextColor", Black)
        .AddBoolean("Multiline", false)
        .AddBoolean("Enabled", true);
}

}  // namespace

void Tagshroud::Layout() {
    SetMenuBar(::MenuBar1());
    fw::SetProperties(*this, WindowProperties());
}

void Tagshroud::CreateControls() { CreateControls0(); }

// The controls in creation order, which is also their tab order.
void Tagshroud::CreateControls0() {
    AddControl("Load", New<fw::PushButton>());
    fw::SetProperties(*Control<fw::PushButton>("Load"), LoadProperties());
    Control<fw::PushButton>("Load")->BindAction(Delegate(&Tagshroud::Load_Action));

    AddControl("taglist", New<fw::Listbox>());
    fw::SetProperties(*Control<fw::Listbox>("taglist"), TaglistProperties());

    AddControl("Prot", New<fw::PushButton>());
    fw::SetProperties(*Control<fw::PushButton>("Prot"), ProtProperties());
    Control<fw::PushButton>("Prot")->BindAction(Delegate(&Tagshroud::Prot_Action));

    AddControl("tagcount_disp", New<fw::StaticText>());
    fw::SetProperties(*Control<fw::StaticText>("tagcount_disp"), TagcountDispProperties());
}
