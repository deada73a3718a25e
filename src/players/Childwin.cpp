#include "players/Childwin.h"

#include "shell/Helpwindow.h"
#include "shell/Mainform.h"

TMDIChild::TMDIChild(QWidget* owner) : QWidget(owner) {
    setObjectName("MDIChild");
    setWindowTitle("Caddora - Player");
    SetHelpContext(this, 3);
    resize(600, 450);
}

TMDIChild::~TMDIChild() {
    if (MainForm && MainForm->PlayerWindow == this) MainForm->PlayerWindow = nullptr;
}
