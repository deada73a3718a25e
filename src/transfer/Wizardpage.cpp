#include "transfer/Wizardpage.h"

#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TWizardPage::TWizardPage(QWidget* owner) : QDialog(owner) {
    setFixedSize(495, 358);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
}

int TWizardPage::exec() {
    setResult(0);
    closed_ = false;
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    auto c = connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    FormShow();
    if (!closed_) {
        inLoop_ = true;
        loop.exec(QEventLoop::DialogExec);
        inLoop_ = false;
    }
    disconnect(c);
    return result();
}

void TWizardPage::done(int r) {
    closed_ = true;
    QDialog::done(r);
}

void TWizardPage::ShowAgain() {
    show();
    FormShow();
}

int TWizardPage::OpenNext(QDialog* next, bool hideFirst) {
    if (hideFirst) {
        hide();
        next->move(pos());
    }
    const int r = next->exec();
    if (r == wizard::Back) {
        move(next->pos());
        ShowAgain();
    } else {
        done(r);
    }
    return r;
}

QLabel* TWizardPage::HeadingLabel(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName("Heading");
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

void TWizardPage::WhiteBackground(QWidget* w) {
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    w->setPalette(pal);
}

QFrame* TWizardPage::HeaderPanel(QWidget* page, const QString& heading, const QString& line) {
    auto* panel = new QFrame(page);
    panel->setObjectName("HeaderPanel");
    WhiteBackground(panel);
    QLabel* title = HeadingLabel(panel, heading);
    auto* text = new QLabel(line, panel);
    text->setObjectName("Explanation");
    text->setWordWrap(true);
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(title);
    layout->addWidget(text);
    return panel;
}

void TWizardPage::ButtonRow(QBoxLayout* layout, QPushButton*& back, QPushButton*& next,
                            QPushButton*& cancel, const QString& nextCaption) {
    back = new QPushButton("< Back", this);
    back->setObjectName("BackButton");
    next = new QPushButton(nextCaption, this);
    next->setObjectName("NextButton");
    next->setDefault(true);
    cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelButton");
    auto* row = new QHBoxLayout;
    row->setContentsMargins(12, 0, 12, 0);
    row->addStretch();
    row->addWidget(back);
    row->addWidget(next);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(back, &QPushButton::clicked, this, [this] { done(wizard::Back); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(wizard::Cancelled); });
}

QRadioButton* TWizardPage::Choice(QBoxLayout* layout, const char* name, const QString& text) {
    auto* b = new QRadioButton(text, this);
    b->setObjectName(name);
    layout->addWidget(b);
    return b;
}
