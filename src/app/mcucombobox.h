#pragma once

#include <QComboBox>

// The MCU box: an editable combo box that also reports its list dropping down and closing up.
class McuComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit McuComboBox(QWidget *parent = nullptr);

    void showPopup() override;
    void hidePopup() override;

signals:
    void dropDown();
    void closeUp();
};
