#pragma once

#include <memory>
#include <string_view>

#include "framework/Window.h"

// The protect dialog: asks for the text that protection writes as the
// replacement name, and starts the protection of the map that the main window
// holds open. It keeps no state beyond its controls.
class ProtectOptions : public fw::Window {
public:
    static constexpr std::string_view FrameworkClassName = "ProtectOptions.ProtectOptions";

    // Action handlers of "Continue" and "Cancel".
    void PushButton1_Action();
    void PushButton2_Action();

protected:
    void Layout() override;
    void CreateControls() override;
    void AddMenuHandlers(fw::Window& window) override;

private:
    friend std::shared_ptr<ProtectOptions> fw::ImplicitWindow<ProtectOptions>();
    ProtectOptions();

    void CreateControls0();
};

// The protect dialog: the live one, or a new one with an empty field when none
// is open. Being named after its class, it hides the class name: write
// `class ProtectOptions` for the type outside the class.
std::shared_ptr<class ProtectOptions> ProtectOptions();
