#include "devicetools/Memorymanager.h"

#include <QMdiSubWindow>

#include "shell/Helpwindow.h"
#include "shell/Mainform.h"

TMemoryManagerForm::TMemoryManagerForm(QWidget* owner) : QWidget(owner) {
    setObjectName("MemoryManagerForm");
    setWindowTitle("U8 Memory Manager");
    SetHelpContext(this, 8);
    resize(500, 400);
    if (MainForm) MainForm->AddMdiChild(this)->show();
}
