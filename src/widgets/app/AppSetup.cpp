#include "app/AppSetup.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/TForm1.h"
#include "results/FreedMemory.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

bool installRussianTranslations(QApplication &app)
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

void installFontSubstitutions()
{
    // The windows are laid out for the narrow Windows faces; where those are missing, narrow
    // faces of this system keep dates and numbers inside their columns.
    const QStringList narrow = {QStringLiteral("DejaVu Sans Condensed"),
                                QStringLiteral("Nimbus Sans Narrow"),
                                QStringLiteral("Liberation Sans Narrow"),
                                QStringLiteral("Arial Narrow"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), narrow);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), narrow);
}

void createForms()
{
    Form1 = new TForm1();
    // Never shown; created so that their start-up handlers run, as they always did. The
    // table each read from the last results file is of no use to anyone afterwards: held
    // for the whole session, a large file would be in memory three times over.
    Form2 = new TForm2();
    Form2->releaseTable();
    Form3 = new TForm3();
    Form3->releaseTable();
    returnFreedMemory();
}

void destroyForms()
{
    delete Form3;
    Form3 = nullptr;
    delete Form2;
    Form2 = nullptr;
    delete Form1;
    Form1 = nullptr;
}
