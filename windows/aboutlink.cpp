#include "game/frmMain.h"

// The panel's information button. The About window it opens comes with its
// own change; until then a click has nothing to open.
void frmMain::imgAbout_Click() {}
