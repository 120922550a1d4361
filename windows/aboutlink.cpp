#include "game/frmMain.h"
#include "windows/frmAbout.h"

// The panel's information button. The game waits under the About window
// until it is closed; its timers keep running meanwhile.
void frmMain::imgAbout_Click() { OpenAboutWindow(); }
