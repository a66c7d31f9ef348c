#include "windows/TForm2.h"

TForm2 *Form2 = nullptr;

TForm2::TForm2(QWidget *parent) : TRegistrationWindow(parent)
{
    setObjectName(QStringLiteral("Form2"));
}
