#pragma once

// The about window: program name, the maker's company, telephone, web site and e-mail, and
// below the name the program's version from the build and the Qt version it runs on.
// The two link labels open the browser and the mail program; over them the pointer turns
// into a hand, and back over the rest of the group box.

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

class TfrmBAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmBAbout(QWidget *parent = nullptr);
    ~TfrmBAbout() override;

    QGroupBox *GroupBox1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *lblProgName = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblCompanyName = nullptr;
    QLabel *lblTel = nullptr;
    QLabel *lblSite = nullptr;
    QLabel *lblemail = nullptr;
    QPushButton *Button1 = nullptr;

    // The maker's picture, drawn here so that the program carries no image files.
    static QPixmap makerPicture(const QSize &size);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void lblemailClick();
    void lblSiteClick();
    void lblemailMouseMove();
    void GroupBox1MouseMove();
    void restoreCursor();

    bool m_handShown = false; // the hand on the cursor stack is ours
};
