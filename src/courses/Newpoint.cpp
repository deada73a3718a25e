#include "courses/Newpoint.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "courses/Scorecard.h"
#include "platform/Messagebox.h"
#include "common/Caption.h"
#include "common/Frame.h"

TNewCoursePointFrm* NewCoursePointFrm = nullptr;

TNewCoursePointFrm::TNewCoursePointFrm(QWidget* owner) : QDialog(owner) {
    setObjectName("NewCoursePointFrm");
    setWindowTitle("Course point");
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    const auto combo = [this](const char* name, QStringList items) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->addItems(items);
        return c;
    };
    ComboBox4 = combo("ComboBox4", {});
    ComboBox5 = combo("ComboBox5", {});
    Label6 = Caption("Tee:", ComboBox5);
    Label6->setObjectName("Label6");
    QStringList types;
    for (const char* t : PointTypeItems)
        types << t;
    ComboBox1 = combo("ComboBox1", types);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName("Edit2");
    Edit2->setMaxLength(200);
    LatComboBox = combo("LatComboBox", {"N", "S"});
    LongComboBox = combo("LongComboBox", {"E", "W"});
    Latitude = new QLineEdit("0", this);
    Latitude->setObjectName("Latitude");
    Latitude->setMaxLength(9);
    Latitude->setToolTip("Latitude degrees");
    Latitude->setAccessibleName("Latitude degrees");
    Longitude = new QLineEdit("0", this);
    Longitude->setObjectName("Longitude");
    Longitude->setMaxLength(9);
    Longitude->setToolTip("Logitude degrees");
    Longitude->setAccessibleName("Longitude degrees");
    Latitude->installEventFilter(this);
    Longitude->installEventFilter(this);
    // Typing shortens the limit again to nine characters (or what is left of a longer value).
    for (QLineEdit* box : {Latitude, Longitude})
        connect(box, &QLineEdit::textEdited, box,
                [box] { box->setMaxLength(std::max(9, static_cast<int>(box->text().size()))); });
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");

    auto* grid = new QGridLayout(this);
    grid->addWidget(Caption("Hole number:", ComboBox4), 0, 0);
    grid->addWidget(ComboBox4, 0, 1, 1, 2);
    grid->addWidget(Caption("Coursepoint type:", ComboBox1), 1, 0);
    grid->addWidget(ComboBox1, 1, 1, 1, 2);
    grid->addWidget(Label6, 2, 0);
    grid->addWidget(ComboBox5, 2, 1, 1, 2);
    grid->addWidget(Caption("Description:", Edit2), 3, 0);
    grid->addWidget(Edit2, 3, 1, 1, 2);
    grid->addWidget(Caption("Latitude:", LatComboBox), 4, 0);
    grid->addWidget(LatComboBox, 4, 1);
    grid->addWidget(Latitude, 4, 2);
    grid->addWidget(Caption("Longitude:", LongComboBox), 5, 0);
    grid->addWidget(LongComboBox, 5, 1);
    grid->addWidget(Longitude, 5, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    grid->addLayout(buttons, 6, 0, 1, 3);
    resize(294, 210);
    SetTabChain({ComboBox4, ComboBox1, ComboBox5, Edit2, LatComboBox, Latitude, LongComboBox, Longitude, Button1,
                 Button2});

    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

TNewCoursePointFrm::~TNewCoursePointFrm() {
    if (NewCoursePointFrm == this) NewCoursePointFrm = nullptr;
}

void TNewCoursePointFrm::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

bool TNewCoursePointFrm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusOut) {
        if (watched == Latitude)
            LatitudeExit();
        else if (watched == Longitude)
            LongitudeExit();
    }
    return QDialog::eventFilter(watched, e);
}

void TNewCoursePointFrm::FormShow() {
    ComboBox1Change();
}

void TNewCoursePointFrm::ComboBox1Change() {
    const bool tee = ComboBox1->currentIndex() == 0;
    Label6->setVisible(tee);
    ComboBox5->setVisible(tee);
    if (tee && ComboBox5->currentIndex() < 0 && ComboBox5->count() > 0)
        ComboBox5->setCurrentIndex(0);
}

void TNewCoursePointFrm::ShowCoordinate(QLineEdit* box, const QString& text) {
    box->setMaxLength(std::max(9, static_cast<int>(text.size())));
    box->setText(text);
}

void TNewCoursePointFrm::LatitudeExit() {
    ShowCoordinate(Latitude,
                   QString::fromStdString(ClampCoordinateText(Latitude->text().toStdString(), 90)));
}

void TNewCoursePointFrm::LongitudeExit() {
    ShowCoordinate(Longitude, QString::fromStdString(
                                  ClampCoordinateText(Longitude->text().toStdString(), 180)));
}

TPointInput TNewCoursePointFrm::Input() const {
    TPointInput in;
    in.holeNumber = IntDef(ComboBox4->currentText().toStdString(), 1);
    in.typeIndex = ComboBox1->currentIndex();
    in.teeIndex = ComboBox5->currentIndex();
    in.description = Edit2->text().toStdString();
    in.latitudeText = Latitude->text().toStdString();
    in.latitudeLetter = LatComboBox->currentIndex() == 1 ? 'S' : 'N';
    in.longitudeText = Longitude->text().toStdString();
    in.longitudeLetter = LongComboBox->currentIndex() == 1 ? 'W' : 'E';
    return in;
}

void TNewCoursePointFrm::Button1Click() {
    LatitudeExit();
    LongitudeExit();
    if (Frame()) {
        try {
            StorePoint(Frame()->Database, CourseId, PointId, Input());
        } catch (const EDatabaseError& e) {
            ShowErrorMessage(e);
            return;
        }
    }
    accept();
}

void TNewCoursePointFrm::Button2Click() {
    reject();
}
