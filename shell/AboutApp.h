#pragma once

#include <memory>
#include <string_view>

#include "framework/Window.h"

// The About window: the product's name and its credits in one label.
class AboutApp : public fw::Window {
public:
    static constexpr std::string_view FrameworkClassName = "AboutApp.AboutApp";

protected:
    void Layout() override;
    void CreateControls() override;
    void AddMenuHandlers(fw::Window& window) override;

private:
    friend std::shared_ptr<AboutApp> fw::ImplicitWindow<AboutApp>();
    AboutApp();

    void CreateControls0();
};

// The About window: the live one, or a new one when none is open. Being named
// after its class, it hides the class name: write `class AboutApp` for the
// type outside the class.
std::shared_ptr<class AboutApp> AboutApp();
