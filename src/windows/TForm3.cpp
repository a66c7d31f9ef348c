#include "windows/TForm3.h"

TForm3 *Form3 = nullptr;

TForm3::TForm3(QWidget *parent) : TRegistrationWindow(parent)
{
    setObjectName(QStringLiteral("Form3"));
}
