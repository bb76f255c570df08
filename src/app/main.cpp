#include "About.h"
#include "Unit1.h"
#include "singleinstance.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvex"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvex"));

    TForm1 form;
    // A running copy that takes the hand-over ends this one before any window appears.
    if (form.CFGSingleInstance1->CheckInstance(
            TecSingleInstance::instanceTextFromArguments(QApplication::arguments())))
        return 0;
    form.FormCreate();
    TAboutBox aboutBox(&form); // fills its version list once, here
    form.AboutBox = &aboutBox;
    form.show();
    return app.exec();
}
