#pragma once

#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QKeyEvent;
class QPushButton;

// The instrument-choice window, the application's main window.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);

    // Index of the chosen item of RadioGroup1, -1 when none is checked.
    int itemIndex() const;
    void setItemIndex(int index);

    QGroupBox *RadioGroup1 = nullptr;
    QPushButton *Button1 = nullptr;

    // The registration window opened by the choice; it lives until the program ends.
    QWidget *chosen() const { return m_chosen; }

public slots:
    void Button1Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate();

    QButtonGroup *m_items = nullptr;
    QWidget *m_chosen = nullptr;
};

extern TForm1 *Form1;
