#include <QApplication>

#include "app/AppSetup.h"
#include "app/TForm1.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installRussianTranslations(app);
    installFontSubstitutions();
    createForms();
    Form1->show();
    const int rc = app.exec();
    destroyForms();
    return rc;
}
