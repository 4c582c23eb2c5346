#include <exception>
#include <memory>

#include "framework/Runtime.h"
#include "shell/App.h"
#include "shell/MenuBar1.h"
#include "shell/Tagshroud.h"

namespace {

// The program registers no file types: the open-file dialog's filter is
// built where the dialog is shown.
void InitFileTypes() {}

void NewAppInstance() {
    auto app = std::make_shared<App>();
    app->SetMenuBar(MenuBar1());
    fw::RuntimeRegisterAppObject(app);
}

// The program's one menu handler belongs to the main window.
void ApplicationAddMenuHandlers() {}

// The main window's layout makes it visible; the framework keeps it.
void MakeDefaultView() { Tagshroud(); }

// The start-up sequence and the event loop. An exception that escapes any
// step is reported, and the remaining steps are skipped.
void Main() {
    try {
        InitFileTypes();
        NewAppInstance();
        ApplicationAddMenuHandlers();
        MakeDefaultView();
        fw::RuntimeRun();
    } catch (...) {
        fw::UnhandledException(std::current_exception());
    }
}

}  // namespace

int main(int argc, char** argv) {
    fw::RuntimeInit(argc, argv);
    Main();
    MenuBar1_implicitInstance_Exit();
    return fw::RuntimeExit();
}
