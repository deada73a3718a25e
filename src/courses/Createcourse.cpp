#include "courses/Createcourse.h"

#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "courses/Coursechild.h"
#include "courses/Scorecard.h"
#include "platform/Messagebox.h"
#include "common/Caption.h"
#include "common/Helpwindow.h"
#include "common/Frame.h"
#include "common/Progresswin.h"
#include "common/Pictures.h"

TCreateCourseForm::TCreateCourseForm(QWidget* owner) : QWidget(nullptr) {
    setObjectName("CreateCourseForm");
    setWindowTitle("New course");
    SetHelpContext(this, 2);
    HolesButton1 = new QRadioButton("9 Holes", this);
    HolesButton1->setObjectName("HolesButton1");
    HolesButton2 = new QRadioButton("18 Holes", this);
    HolesButton2->setObjectName("HolesButton2");
    HolesButton2->setChecked(true);
    TeesComboBox = new QComboBox(this);
    TeesComboBox->setObjectName("TeesComboBox");
    TeesComboBox->addItems({"1", "2", "3", "4", "5", "6"});
    // Tees, colours and hole names scroll inside the window when the work
    // area is too low for them; OK, Cancel and Help stay below, in sight.
    Rows = new QScrollArea(this);
    Rows->setObjectName("Rows");
    Rows->setFrameShape(QFrame::NoFrame);
    Rows->setFocusPolicy(Qt::NoFocus); // Tab goes to its boxes, not to the frame
    Rows->setWidgetResizable(true);
    Rows->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* rows = new QWidget(Rows);
    auto* rowsLayout = new QVBoxLayout(rows);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    auto* main = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(HolesButton1, 0, 0);
    top->addWidget(HolesButton2, 0, 1);
    top->addWidget(Caption("Number of tees:", TeesComboBox), 1, 0);
    top->addWidget(TeesComboBox, 1, 1);
    top->addWidget(new QLabel("Tee name and color:", this), 2, 0, 1, 3);
    for (int t = 0; t < 6; ++t) {
        Tee[t] = new QLineEdit(this);
        Tee[t]->setObjectName(QString("Tee%1").arg(t + 1));
        Tee[t]->setMaxLength(50); // Tee1Name .. Tee6Name
        Tee[t]->setAccessibleName(QString("Tee %1 name").arg(t + 1));
        SetBoxColour(Tee[t], DefaultTeeColour[t]);
        TeeBtn[t] = new QPushButton("...", this);
        TeeBtn[t]->setObjectName(QString("Tee%1Btn").arg(t + 1));
        TeeBtn[t]->setToolTip("Change color");
        TeeBtn[t]->setAccessibleName(QString("Change color of tee %1").arg(t + 1));
        TeeBtn[t]->setFixedWidth(28);
        top->addWidget(Tee[t], 3 + t, 0, 1, 2);
        top->addWidget(TeeBtn[t], 3 + t, 2);
        connect(TeeBtn[t], &QPushButton::clicked, this, [this, t] { TeeBtnClick(t + 1); });
    }
    HoleCol = new QLineEdit(this);
    HoleCol->setObjectName("HoleCol");
    HoleCol->setReadOnly(true);
    HoleCol->setFocusPolicy(Qt::ClickFocus);
    HoleCol->setAccessibleName("Hole color for scorecard");
    SetBoxColour(HoleCol, DefaultHoleColour);
    HoleBtn = new QPushButton("...", this);
    HoleBtn->setObjectName("HoleBtn");
    HoleBtn->setToolTip("Change color");
    HoleBtn->setAccessibleName("Change hole color");
    HoleBtn->setFixedWidth(28);
    top->addWidget(Caption("Hole color for scorecard", HoleCol), 9, 0, 1, 3);
    top->addWidget(HoleCol, 10, 0, 1, 2);
    top->addWidget(HoleBtn, 10, 2);
    rowsLayout->addLayout(top);

    auto* names = new QGroupBox("Hole names:", this);
    auto* holes = new QGridLayout(names);
    for (int i = 0; i < 18; ++i) {
        Hole[i] = new QLineEdit(names);
        Hole[i]->setObjectName(QString("Hole%1").arg(i + 1));
        HoleLabel[i] = Caption(QString("Hole %1:").arg(i + 1), Hole[i]);
        HoleLabel[i]->setObjectName(QString("Label%1").arg(i + 1));
        Hole[i]->setMaxLength(100); // HoleName
        holes->addWidget(HoleLabel[i], i % 9, (i / 9) * 2);
        holes->addWidget(Hole[i], i % 9, (i / 9) * 2 + 1);
    }
    rowsLayout->addWidget(names);
    rowsLayout->addStretch();
    Rows->setWidget(rows);
    main->addWidget(Rows, 1);

    Button8 = new QPushButton("OK", this);
    Button8->setObjectName("Button8");
    Button8->setDefault(true);
    Button9 = new QPushButton("Cancel", this);
    Button9->setObjectName("Button9");
    Button1 = new QPushButton("Help", this);
    Button1->setObjectName("Button1");
    // A focused button takes Enter itself.
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(b != Button8);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button8);
    buttons->addWidget(Button9);
    buttons->addWidget(Button1);
    main->addLayout(buttons);

    ColorDialog = new QColorDialog(this);
    ColorDialog->setObjectName("ColorDialog");
    ColorDialog->setOption(QColorDialog::DontUseNativeDialog, true);
    // The sixteen custom colours, as colour values (0x00BBGGRR).
    const unsigned custom[16] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0xFF0000, 0x00FF00, 0x0000FF,
                                 0xFF80FF, 0x80FFFF, 0xFFFF80, 0xFF0080, 0xFF8000, 0x80FF00,
                                 0x8000FF, 0x00FF80, 0x0080FF, 0xAAAAAA};
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(
            i, QColor(custom[i] & 0xFF, (custom[i] >> 8) & 0xFF, (custom[i] >> 16) & 0xFF));
    ColorDialog->setCurrentColor(Qt::white);

    connect(HolesButton1, &QRadioButton::clicked, this, [this] { HolesButton1Click(); });
    connect(HolesButton2, &QRadioButton::clicked, this, [this] { HolesButton2Click(); });
    connect(TeesComboBox, &QComboBox::currentIndexChanged, this, [this] { TeesComboBoxChange(); });
    connect(HoleBtn, &QPushButton::clicked, this, [this] { HoleBtnClick(); });
    connect(Button8, &QPushButton::clicked, this, [this] { Button8Click(); });
    connect(Button9, &QPushButton::clicked, this, [this] { Button9Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    FormCreate();
    (void)owner;
}

TCreateCourseForm::~TCreateCourseForm() = default;

void TCreateCourseForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        Button8->click();
    else
        QWidget::keyPressEvent(e);
}

void TCreateCourseForm::FormCreate() {
    TeesComboBox->blockSignals(true);
    TeesComboBox->setCurrentIndex(0);
    TeesComboBox->blockSignals(false);
    for (int t = 1; t < 6; ++t) {
        Tee[t]->hide();
        TeeBtn[t]->hide();
    }
}

unsigned TCreateCourseForm::BoxColour(const QLineEdit* box) {
    return box->property("Colour").toUInt();
}

void TCreateCourseForm::SetBoxColour(QLineEdit* box, unsigned colour) {
    box->setProperty("Colour", colour);
    QPalette p = box->palette();
    p.setColor(QPalette::Base, QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
    p.setColor(QPalette::Text, IsDarkColour(colour) ? Qt::white : Qt::black);
    box->setPalette(p);
}

void TCreateCourseForm::HolesButton1Click() {
    for (int i = 9; i < 18; ++i) {
        HoleLabel[i]->hide();
        Hole[i]->hide();
    }
}

void TCreateCourseForm::HolesButton2Click() {
    for (int i = 9; i < 18; ++i) {
        HoleLabel[i]->show();
        Hole[i]->show();
    }
}

bool TCreateCourseForm::ChooseColour(unsigned* colour) {
    // The dialog opens on the colour chosen last.
    if (ColorDialog->exec() != QDialog::Accepted) return false;
    const QColor c = ColorDialog->currentColor();
    *colour = StoredChosenColour(static_cast<unsigned>(c.red()) |
                                 (static_cast<unsigned>(c.green()) << 8) |
                                 (static_cast<unsigned>(c.blue()) << 16));
    return true;
}

void TCreateCourseForm::HoleBtnClick() {
    unsigned c = 0;
    if (ChooseColour(&c)) SetBoxColour(HoleCol, c);
}

void TCreateCourseForm::TeeBtnClick(int tee) {
    unsigned c = 0;
    if (tee >= 1 && tee <= 6 && ChooseColour(&c)) SetBoxColour(Tee[tee - 1], c);
}

void TCreateCourseForm::TeesComboBoxChange() {
    if (Mode == 1 && !reverting_ && Frame() &&
        TeesInUse(Frame()->Database, CourseId, TeesComboBox->currentIndex() + 1)) {
        MessageBox("You can't remove a tee where you have played rounds!", "Error!", MB_OK,
                   MB_ICONERROR);
        reverting_ = true;
        TeesComboBox->setCurrentIndex(StoredTees - 1);
        reverting_ = false;
    }
    const int n = TeesComboBox->currentIndex() + 1;
    for (int t = 1; t < 6; ++t) {
        Tee[t]->setVisible(t < n);
        TeeBtn[t]->setVisible(t < n);
    }
    FitToTees();
}

void TCreateCourseForm::FitToTees() {
    // The window takes the height its tee and hole rows need, so no box is
    // squeezed below its own height, as far as the work area allows; below
    // that the rows scroll. It stays wholly inside the work area.
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sub || !layout() || !Frame()) return;
    QWidget* rows = Rows->widget();
    rows->layout()->activate();
    const QSize rowsNeed = rows->layout()->sizeHint();
    rows->setMinimumHeight(rowsNeed.height());
    layout()->activate();
    const QMargins m = layout()->contentsMargins();
    const int below = layout()->sizeHint().height() - m.top() - m.bottom() -
                      Rows->sizeHint().height();
    const QSize area = Frame()->MdiArea()->viewport()->size();
    const int frameHeight = sub->height() - height();
    const int room = std::max(area.height() - frameHeight, 0);
    int wantHeight = m.top() + rowsNeed.height() + below + m.bottom();
    int wantWidth = m.left() + rowsNeed.width() + m.right();
    if (wantHeight > room) {
        wantHeight = std::max(room, minimumSizeHint().height());
        wantWidth += Rows->verticalScrollBar()->sizeHint().width();
    }
    SizeMdiChild(sub, QSize(std::max(width(), wantWidth), wantHeight));
    // Pulled back inside the work area where it reaches past an edge.
    QPoint at = sub->pos();
    at.setX(std::max(0, std::min(at.x(), area.width() - sub->width())));
    at.setY(std::max(0, std::min(at.y(), area.height() - sub->height())));
    if (at != sub->pos()) sub->move(at);
}

void TCreateCourseForm::LoadSetup(const TCourseSetup& s) {
    SetBoxColour(HoleCol, s.holeColour);
    for (int t = 0; t < 6; ++t) {
        Tee[t]->setText(QString::fromStdString(s.teeName[t]));
        SetBoxColour(Tee[t], s.teeColour[t]);
    }
    for (int i = 0; i < 18; ++i)
        Hole[i]->setText(QString::fromStdString(s.holeName[i]));
    StoredTees = ClampTees(s.tees);
    TeesComboBox->blockSignals(true);
    TeesComboBox->setCurrentIndex(StoredTees - 1);
    TeesComboBox->blockSignals(false);
    if (s.holes18) {
        HolesButton2->setChecked(true);
        HolesButton2Click();
    } else {
        HolesButton1->setChecked(true);
        HolesButton1Click();
    }
}

TCourseSetup TCreateCourseForm::Setup() const {
    TCourseSetup s;
    s.holes18 = HolesButton2->isChecked();
    s.tees = TeesComboBox->currentIndex() + 1;
    for (int t = 0; t < 6; ++t) {
        s.teeName[t] = Tee[t]->text().toStdString();
        s.teeColour[t] = BoxColour(Tee[t]);
    }
    s.holeColour = BoxColour(HoleCol);
    for (int i = 0; i < 18; ++i)
        s.holeName[i] = Hole[i]->text().toStdString();
    return s;
}

namespace {
// Closes the dialog's frame in the main window (or the dialog alone).
void CloseDialog(QWidget* dialog) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(dialog->parentWidget()))
        sub->close();
    else
        dialog->close();
}

// The course window of the course in edit mode, with its state list filled.
void ReopenCourseWindow(int courseId, bool fillStates) {
    TCourseFrm* frm = OpenCourseWindow(FrameWindow(), courseId, 1);
    if (frm && fillStates) frm->FillStateList();
}
} // namespace

void TCreateCourseForm::Button8Click() {
    if (!Frame()) return;
    try {
        const TCourseSetup s = Setup();
        int id = CourseId;
        if (Mode == 0)
            id = CreateCourse(Frame()->Database, s);
        else
            ChangeCourseSetup(Frame()->Database, CourseId, s);
        CourseId = id;
        TProgressScope progress("Generating form");
        ReopenCourseWindow(id, true);
    } catch (const EDatabaseError& e) {
        ShowErrorMessage(e);
        return;
    }
    CloseDialog(this);
}

void TCreateCourseForm::Button9Click() {
    if (Mode == 1 && Frame()) ReopenCourseWindow(CourseId, false);
    CloseDialog(this);
}

void TCreateCourseForm::Button1Click() {
    if (Frame()) Frame()->ShowHelp(GetHelpContext(this));
}

void ShowCreateCourseForm(TCreateCourseForm* dialog) {
    if (!Frame()) return;
    QMdiSubWindow* sub = Frame()->AddMdiChild(dialog);
    sub->setWindowFlags(Qt::SubWindow | Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    sub->show();
    dialog->FitToTees();
    const QRect area = Frame()->MdiArea()->viewport()->rect();
    sub->move(std::max(0, (area.width() - sub->width()) / 2),
              std::max(0, (area.height() - sub->height()) / 2));
}

TCreateCourseForm* OpenEditCourseDialog(int courseId) {
    if (!Frame()) return nullptr;
    // Read first: a course that does not read opens no dialog.
    const TCourseSetup setup = ReadCourseSetup(Frame()->Database, courseId);
    auto* dialog = new TCreateCourseForm(FrameWindow());
    dialog->setWindowTitle("Edit course");
    dialog->Mode = 1;
    dialog->CourseId = courseId;
    dialog->LoadSetup(setup);
    dialog->HolesButton1->setEnabled(false);
    dialog->HolesButton2->setEnabled(false);
    ShowCreateCourseForm(dialog);
    dialog->TeesComboBoxChange();
    return dialog;
}
