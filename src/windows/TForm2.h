#pragma once

#include "windows/TRegistrationWindow.h"

class TForm2 : public TRegistrationWindow
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);
};

extern TForm2 *Form2;
