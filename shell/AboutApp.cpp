#include "shell/AboutApp.h"

#include <string>

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/PropertyList.h"
#include "framework/Window.h"
#include "shell/Layouts.h"

namespace {

using namespace layouts;

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
    return WindowList({.Width = 471, .Height = 168, .Frame = DocumentFrame, .Title = "About",
                       .Resizeable = false, .MaximizeButton = false});
}

fw::PropertyList StaticText1Properties() {
    fw::PropertyList list = PlacedList({.Left = 20, .Top = 14, .Width = 431, .Height = 134, .TabIndex = 0});
    list.AddString("Text", AboutText)
        .AddBoolean("Multiline", true)
        .AddInteger("TextAlign", 0)
        .AddColor("TextColor", Black)
        .AddBoolean("Enabled", true);
    AddCommonControlValues(list);
    AddNoDataBinding(list);
    return list;
}

}  // namespace

AboutApp::AboutApp() : fw::Window(std::string(FrameworkClassName)) {}

void AboutApp::Layout() { fw::SetProperties(*this, WindowProperties()); }

void AboutApp::CreateControls() { CreateControls0(); }

void AboutApp::CreateControls0() {
    BuildControl<fw::StaticText>(*this, "StaticText1", StaticText1Properties());
}

void AboutApp::AddMenuHandlers(fw::Window& window) {
    if (!dynamic_cast<AboutApp*>(&window)) throw fw::NilObjectException("The window is not an AboutApp");
}

std::shared_ptr<class AboutApp> AboutApp() { return fw::ImplicitWindow<class AboutApp>(); }
