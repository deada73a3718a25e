#include "common/Caption.h"

#include <QLabel>

QLabel* Caption(const QString& text, QWidget* box) {
    auto* label = new QLabel(text, box->parentWidget());
    label->setBuddy(box);
    return label;
}
