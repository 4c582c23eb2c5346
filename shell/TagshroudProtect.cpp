#include "shell/ProtectOptions.h"
#include "shell/Tagshroud.h"

// A plain show: the dialog's frame kind makes it a sheet over the main window.
// Nothing here looks at the map, since `Prot` is enabled only while one is
// listed.
void Tagshroud::Prot_Action() { ProtectOptions()->Show(); }
