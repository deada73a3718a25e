#include "devicetools/Settings.h"

#include <QMdiSubWindow>

#include "shell/Helpwindow.h"
#include "shell/Mainform.h"

TSettingsForm::TSettingsForm(QWidget* owner) : QWidget(owner) {
    setObjectName("SettingsForm");
    setWindowTitle("Settings");
    SetHelpContext(this, 7);
    resize(500, 400);
    if (MainForm) MainForm->AddMdiChild(this)->show();
}
