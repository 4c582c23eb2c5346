#include "shell/AboutApp.h"

#include <cstdint>
#include <limits>
#include <string>

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/PropertyList.h"
#include "framework/Window.h"

namespace {

constexpr fw::Color White{255, 255, 255};
constexpr fw::Color Black{0, 0, 0};
// A control that belongs to no control array.
constexpr std::int32_t NoControlArray = std::numeric_limits<std::int32_t>::min();

// Eight lines, each ended by a carriage return except the last.
constexpr const char* AboutText =
    "Tagshroud\r"
    "Created By: the Tagshroud authors\r"
    "Icon By: the Tagshroud authors\r"
    "PC version compiled by: the Tagshroud authors\r"
    "\r"
    "Special thanks to:\r"
    "the Tagshroud authors, for telling me I had to put \"(True)\" at the end of my file open. :P\r"
    "the Tagshroud authors, for telling me about the sheet window thing.";

fw::PropertyList WindowProperties() {
    return fw::PropertyList()
        .AddInteger("Placement", 0)
        .AddInteger("Width", 471)
        .AddInteger("Height", 168)
        .AddInteger("MinWidth", 64)
        .AddInteger("MinHeight", 64)
        .AddInteger("MaxWidth", 32000)
        .AddInteger("MaxHeight", 32000)
        .AddInteger("Frame", 0)
        .AddBoolean("Composite", false)
        .AddBoolean("HasBackColor", false)
        .AddColor("BackColor", White)
        .AddString("Title", "About")
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
}

fw::PropertyList StaticText1Properties() {
    return fw::PropertyList()
        .AddInteger("Left", 20)
        .AddInteger("Top", 14)
        .AddInteger("Width", 431)
        .AddInteger("Height", 134)
        .AddBoolean("LockLeft", false)
        .AddBoolean("LockTop", false)
        .AddBoolean("LockRight", false)
        .AddBoolean("LockBottom", false)
        .AddInteger("TabIndex", 0)
        .AddInteger("Index", NoControlArray)
        .AddInteger("TabPanelIndex", 0)
        .AddString("Text", AboutText)
        .AddBoolean("Multiline", true)
        .AddInteger("TextAlign", 0)
        .AddColor("TextColor", Black)
        .AddString("TextFont", "System")
        .AddInteger("TextSize", 0)
        .AddBoolean("Bold", false)
        .AddBoolean("Italic", false)
        .AddBoolean("Underline", false)
        .AddBoolean("Visible", true)
        .AddBoolean("Enabled", true)
        .AddBoolean("AutoDeactivate", true)
        .AddString("HelpTag", "")
        .AddString("InitialParent", "")
        .AddString("DataField", "")
        .AddString("DataSource", "");
}

}  // namespace

AboutApp::AboutApp() : fw::Window(std::string(FrameworkClassName)) {}

void AboutApp::Layout() { fw::SetProperties(*this, WindowProperties()); }

void AboutApp::CreateControls() { CreateControls0(); }

void AboutApp::CreateControls0() {
    AddControl("StaticText1", New<fw::StaticText>());
    fw::SetProperties(*Control<fw::StaticText>("StaticText1"), StaticText1Properties());
}

void AboutApp::AddMenuHandlers(fw::Window& window) {
    if (!dynamic_cast<AboutApp*>(&window)) throw fw::NilObjectException("The window is not an AboutApp");
}

std::shared_ptr<class AboutApp> AboutApp() { return fw::ImplicitWindow<class AboutApp>(); }
