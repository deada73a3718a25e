#pragma once
// Choices made in the player windows as a user makes them.
#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <gtest/gtest.h>

#include "players/Playereditor.h"

// Picks the entry of the given text, as a click in the open list does.
inline void Choose(QComboBox* box, const QString& text) {
    const int i = box->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    box->setCurrentIndex(i);
    emit box->activated(i);
}

// The club of the given name in the editor's club list, or null.
inline QListWidgetItem* ListItem(TPlayerEditor* ed, const QString& name) {
    for (int i = 0; i < ed->ListView1->count(); ++i)
        if (ed->ListView1->item(i)->text() == name) return ed->ListView1->item(i);
    return nullptr;
}
