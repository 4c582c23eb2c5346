#include "framework/Controls.h"
#include "framework/PropertyList.h"
#include "framework/Window.h"
#include "shell/Layouts.h"
#include "shell/MenuBar1.h"
#include "shell/Tagshroud.h"

namespace {

using namespace layouts;

fw::PropertyList WindowProperties() {
    return WindowList({.Width = 436, .Height = 245, .Frame = DocumentFrame, .Title = "",
                       .Resizeable = true, .MaximizeButton = true});
}

fw::PropertyList LoadProperties() {
    fw::PropertyList list = PlacedList(
        {.Left = 6, .Top = 6, .Width = 80, .Height = 20, .TabIndex = 0, .LockLeft = true, .LockTop = true});
    list.AddString("Caption", "Load Map")
        .AddBoolean("Default", true)
        .AddBoolean("Cancel", false)
        .AddBoolean("Enabled", true);
    AddCommonControlValues(list);
    return list;
}

fw::PropertyList TaglistProperties() {
    fw::PropertyList list = PlacedList({.Left = 6, .Top = 38, .Width = 424, .Height = 175, .TabIndex = 1,
                                        .LockLeft = true, .LockTop = true, .LockRight = true, .LockBottom = true});
    list.AddString("InitialValue", "Tags:")
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
        .AddBoolean("AutoHideScrollbars", true);
    AddCommonControlValues(list);
    AddNoDataBinding(list);
    return list;
}

fw::PropertyList ProtProperties() {
    fw::PropertyList list = PlacedList({.Left = 6, .Top = 219, .Width = 107, .Height = 20, .TabIndex = 2,
                                        .LockLeft = true, .LockBottom = true});
    list.AddString("Caption", "Protect Map")
        .AddBoolean("Default", false)
        .AddBoolean("Cancel", false)
        .AddBoolean("Enabled", false);
    AddCommonControlValues(list);
    return list;
}

// The label reads "Tag Count:" with no count until a map is listed.
fw::PropertyList TagcountDispProperties() {
    fw::PropertyList list = PlacedList({.Left = 303, .Top = 6, .Width = 127, .Height = 20, .TabIndex = 3,
                                        .LockTop = true, .LockRight = true});
    list.AddString("Text", "Tag Count:")
        .AddInteger("TextAlign", 0)
        .AddColor("TextColor", Black)
        .AddBoolean("Multiline", false)
        .AddBoolean("Enabled", true);
    AddCommonControlValues(list);
    return list;
}

}  // namespace

void Tagshroud::Layout() {
    SetMenuBar(::MenuBar1());
    fw::SetProperties(*this, WindowProperties());
}

void Tagshroud::CreateControls() { CreateControls0(); }

// The controls in creation order, which is also their tab order.
void Tagshroud::CreateControls0() {
    BuildControl<fw::PushButton>(*this, "Load", LoadProperties());
    Control<fw::PushButton>("Load")->BindAction(Delegate(&Tagshroud::Load_Action));
    BuildControl<fw::Listbox>(*this, "taglist", TaglistProperties());
    BuildControl<fw::PushButton>(*this, "Prot", ProtProperties());
    Control<fw::PushButton>("Prot")->BindAction(Delegate(&Tagshroud::Prot_Action));
    BuildControl<fw::StaticText>(*this, "tagcount_disp", TagcountDispProperties());
}
