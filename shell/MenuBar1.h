#pragma once

#include <memory>

#include "framework/Menus.h"

// The one menu bar: a File menu with About and Quit, and an Edit menu. Its one
// instance is both the application's menu bar and the main window's.
class MenuBar1 : public fw::MenuBar {
public:
    // Builds both menus: Untitled0 (File), then Untitled1 (Edit).
    void Constructor();
    void Untitled0();
    void Untitled1();
};

// The one MenuBar1 instance, or empty before the accessor's first call and
// after shut-down.
extern std::shared_ptr<class MenuBar1> MenuBar1_implicitInstance;

// The menu bar, built on the first call; later calls return the same
// instance. Being named after its class, it hides the class name: write
// `class MenuBar1` for the type outside the class.
std::shared_ptr<class MenuBar1> MenuBar1();

// Releases the one instance at shut-down.
void MenuBar1_implicitInstance_Exit();
