#include "shell/About.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/Mainform.h"
#include "common/Pictures.h"

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner) {
    setObjectName("AboutBox");
    setWindowTitle("About Caddora");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    auto* picture = new QLabel(this);
    picture->setObjectName("ProgramIcon");
    picture->setPixmap(CaddoraPicture(QSize(412, 154)));
    picture->setFixedSize(412, 154);
    auto* title = new QLabel("Caddora", this);
    title->setObjectName("ProductName");
    QFont f = title->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 4);
    title->setFont(f);
    Build = new QLabel(this);
    Build->setObjectName("Build");
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    auto* row = new QHBoxLayout;
    row->addWidget(title);
    row->addWidget(Build);
    row->addStretch();
    layout->addLayout(row);
    layout->addWidget(Button1, 0, Qt::AlignCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TAboutBox::~TAboutBox() {
    if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TAboutBox::FormShow() {
    const std::string version = MainForm ? MainForm->FileVersion : std::string();
    Build->setText(QString::fromStdString("(" + version + ")"));
}

void TAboutBox::Button1Click() { accept(); }
