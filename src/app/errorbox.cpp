#include "errorbox.h"

#include <QMessageBox>

namespace ErrorBox {

QString displayText(const QString &message)
{
    if (message.isEmpty() || message.back().unicode() <= u'.')
        return message;
    return message + QLatin1Char('.');
}

void show(QWidget *parent, const QString &message)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Orvex"), displayText(message), QMessageBox::Ok,
                    parent);
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
}

} // namespace ErrorBox
