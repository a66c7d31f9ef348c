#pragma once

#include "windows/TRegistrationWindow.h"

class TForm3 : public TRegistrationWindow
{
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);
};

extern TForm3 *Form3;
