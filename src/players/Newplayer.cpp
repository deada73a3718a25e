#include "players/Newplayer.h"

#include "shell/Helpwindow.h"
#include "shell/Mainform.h"

TNewPlayerForm::TNewPlayerForm(QWidget* owner) : QDialog(owner) {
    setObjectName("NewPlayerForm");
    setWindowTitle("Caddora - New Player");
    setAttribute(Qt::WA_DeleteOnClose);
    SetHelpContext(this, 3);
    resize(600, 450);
}

TNewPlayerForm::~TNewPlayerForm() {
    if (MainForm && MainForm->NewPlayerWindow == this) MainForm->NewPlayerWindow = nullptr;
}
