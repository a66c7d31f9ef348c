#include "app/AppSetup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/TForm1.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

bool InstallRussianTranslations(QApplication &app)
{
    auto *qt = new QTranslator(&app);
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!qt->load(QStringLiteral("qtbase_ru"), dir)) {
        delete qt;
        return false;
    }
    app.installTranslator(qt);
    return true;
}

void CreateForms()
{
    Form1 = new TForm1();
    // Never shown; created so that their start-up handlers run, as they always did.
    Form2 = new TForm2();
    Form3 = new TForm3();
}

void DestroyForms()
{
    delete Form3;
    Form3 = nullptr;
    delete Form2;
    Form2 = nullptr;
    delete Form1;
    Form1 = nullptr;
}
