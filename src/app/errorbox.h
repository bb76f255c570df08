#pragma once

#include <QString>

class QWidget;

// The one way errors reach the user: a modal box titled "Orvex" with the error icon and OK.
namespace ErrorBox {

// The message as shown: a "." is added unless the text is empty or already ends in a character
// of code 46 (".") or less.
QString displayText(const QString &message);

void show(QWidget *parent, const QString &message);

} // namespace ErrorBox
