#include "mcucombobox.h"

McuComboBox::McuComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void McuComboBox::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
}

void McuComboBox::hidePopup()
{
    QComboBox::hidePopup();
    emit closeUp();
}
