#include "shell/Layouts.h"

namespace layouts {

fw::PropertyList WindowList(const WindowLayout& layout) {
    fw::PropertyList list;
    list.AddInteger("Placement", 0)
        .AddInteger("Width", layout.Width)
        .AddInteger("Height", layout.Height)
        .AddInteger("MinWidth", 64)
        .AddInteger("MinHeight", 64)
        .AddInteger("MaxWidth", 32000)
        .AddInteger("MaxHeight", 32000)
        .AddInteger("Frame", layout.Frame)
        .AddBoolean("Composite", false)
        .AddBoolean("HasBackColor", false)
        .AddColor("BackColor", White)
        .AddString("Title", layout.Title)
        .AddBoolean("Visible", true)
        .AddBoolean("FullScreen", false)
        .AddBoolean("MenuBarVisible", true)
        .AddBoolean("CloseButton", true)
        .AddBoolean("Resizeable", layout.Resizeable)
        .AddBoolean("LiveResize", true)
        .AddBoolean("MaximizeButton", layout.MaximizeButton)
        .AddBoolean("MinimizeButton", true)
        .AddString("BalloonHelp", "")
        .AddInteger("MacProcID", 0);
    return list;
}

fw::PropertyList PlacedList(const ControlPlacement& place) {
    fw::PropertyList list;
    list.AddInteger("Left", place.Left)
        .AddInteger("Top", place.Top)
        .AddInteger("Width", place.Width)
        .AddInteger("Height", place.Height)
        .AddBoolean("LockLeft", place.LockLeft)
        .AddBoolean("LockTop", place.LockTop)
        .AddBoolean("LockRight", place.LockRight)
        .AddBoolean("LockBottom", place.LockBottom)
        .AddInteger("TabIndex", place.TabIndex);
    return list;
}

void AddCommonControlValues(fw::PropertyList& list) {
    list.AddInteger("Index", NoControlArray)
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
}

void AddNoDataBinding(fw::PropertyList& list) {
    list.AddString("DataField", "").AddString("DataSource", "");
}

}  // namespace layouts
