#include "Unit1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvex"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvex"));

    TForm1 form;
    form.FormCreate();
    form.show();
    return app.exec();
}
