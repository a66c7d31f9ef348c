#include "controls/TfrmBAbout.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QUrl>

#include "ProgramVersion.h"
#include "text/Strings.h"

namespace {

bool handShowing()
{
    const QCursor *c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::PointingHandCursor;
}

QLabel *makeLabel(QWidget *parent, int left, int top)
{
    auto *label = new QLabel(parent);
    label->move(left, top);
    return label;
}

QLabel *makeLink(QWidget *parent, int left, int top, const QString &text)
{
    QLabel *label = makeLabel(parent, left, top);
    QFont f = label->font();
    f.setBold(true);
    f.setUnderline(true);
    label->setFont(f);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(p);
    label->setText(text);
    label->adjustSize();
    label->setMouseTracking(true);
    return label;
}

} // namespace

TfrmBAbout::TfrmBAbout(QWidget *parent)
    : QDialog(parent)
{
    // The window was laid out for MS Sans Serif; where it is missing, a face of Arial's
    // widths keeps the two links apart.
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("Nimbus Sans")});
    f.setPointSize(8);
    f.setBold(true);
    setFont(f);
    setWindowTitle(Str::AboutCaption);
    setFixedSize(556, 233);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setGeometry(16, 8, 521, 169);
    GroupBox1->setMouseTracking(true);

    Image1 = new QLabel(GroupBox1);
    Image1->setGeometry(8, 8, 150, 137);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setPixmap(makerPicture(Image1->size()));
    // Moves over the picture count as moves over the group box.
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);

    lblProgName = makeLabel(GroupBox1, 176, 24);
    lblProgName->setText(Str::AboutProgram);
    // Between the name and the company line: which build this is, and on which Qt.
    lblVersion = makeLabel(GroupBox1, 176, 44);
    lblVersion->setText(
        Str::AboutVersion.arg(QLatin1String(Build::version), QLatin1String(qVersion())));
    lblCompanyName = makeLabel(GroupBox1, 176, 64);
    lblCompanyName->setText(Str::AboutCompany);
    lblTel = makeLabel(GroupBox1, 176, 96);
    lblTel->setText(Str::AboutTel);
    // The owner sets these texts after construction: room up to the group box's edge.
    for (QLabel *l : {lblProgName, lblVersion, lblCompanyName, lblTel}) {
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        l->resize(GroupBox1->width() - l->x() - 8, l->sizeHint().height());
    }
    lblSite = makeLink(GroupBox1, 176, 132, Str::AboutSite);
    lblemail = makeLink(GroupBox1, 296, 132, Str::AboutEmail);

    Button1 = new QPushButton(Str::Ok, this);
    Button1->setGeometry(232, 200, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    for (QObject *o : {static_cast<QObject *>(GroupBox1), static_cast<QObject *>(lblSite),
                       static_cast<QObject *>(lblemail)})
        o->installEventFilter(this);
}

TfrmBAbout::~TfrmBAbout()
{
    restoreCursor();
}

bool TfrmBAbout::eventFilter(QObject *watched, QEvent *event)
{
    const bool link = watched == lblSite || watched == lblemail;
    if (event->type() == QEvent::MouseMove) {
        if (link) {
            lblemailMouseMove();
            return true; // not on to the group box, which would take the hand away
        }
        if (watched == GroupBox1)
            GroupBox1MouseMove();
    } else if (link && event->type() == QEvent::MouseButtonPress) {
        return true;
    } else if (link && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton
            && static_cast<QWidget *>(watched)->rect().contains(mouse->position().toPoint())) {
            if (watched == lblSite)
                lblSiteClick();
            else
                lblemailClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmBAbout::hideEvent(QHideEvent *event)
{
    // The hand must not outlive the window it belongs to.
    restoreCursor();
    QDialog::hideEvent(event);
}

void TfrmBAbout::lblemailClick()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + Str::AboutEmail));
}

void TfrmBAbout::lblSiteClick()
{
    QDesktopServices::openUrl(QUrl(Str::AboutSiteUrl));
}

void TfrmBAbout::lblemailMouseMove()
{
    if (handShowing())
        return;
    QGuiApplication::setOverrideCursor(Qt::PointingHandCursor);
    m_handShown = true;
}

void TfrmBAbout::GroupBox1MouseMove()
{
    if (handShowing())
        restoreCursor();
}

void TfrmBAbout::restoreCursor()
{
    if (!m_handShown)
        return;
    m_handShown = false;
    if (handShowing())
        QGuiApplication::restoreOverrideCursor();
}

QPixmap TfrmBAbout::makerPicture(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();

    // A laboratory flask, half full of milk, with a drop falling into its neck.
    QPainterPath flask;
    flask.moveTo(w * 0.42, h * 0.30);
    flask.lineTo(w * 0.42, h * 0.52);
    flask.lineTo(w * 0.14, h * 0.92);
    flask.quadTo(w * 0.12, h * 0.97, w * 0.20, h * 0.97);
    flask.lineTo(w * 0.80, h * 0.97);
    flask.quadTo(w * 0.88, h * 0.97, w * 0.86, h * 0.92);
    flask.lineTo(w * 0.58, h * 0.52);
    flask.lineTo(w * 0.58, h * 0.30);
    flask.closeSubpath();

    QPainterPath milkLevel;
    milkLevel.addRect(0, h * 0.68, w, h);
    QLinearGradient milkFill(0, h * 0.68, 0, h);
    milkFill.setColorAt(0, QColor(255, 255, 250));
    milkFill.setColorAt(1, QColor(225, 232, 245));
    p.fillPath(flask.intersected(milkLevel), milkFill);

    p.setPen(QPen(QColor(40, 70, 140), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(180, 210, 240, 60));
    p.drawPath(flask);
    p.drawLine(QPointF(w * 0.38, h * 0.30), QPointF(w * 0.62, h * 0.30));

    QPainterPath drop;
    const qreal cx = w * 0.5;
    drop.moveTo(cx, h * 0.02);
    drop.cubicTo(cx + w * 0.02, h * 0.09, cx + w * 0.08, h * 0.14, cx + w * 0.08, h * 0.19);
    drop.arcTo(cx - w * 0.08, h * 0.11, w * 0.16, h * 0.16, 0, -180);
    drop.cubicTo(cx - w * 0.08, h * 0.14, cx - w * 0.02, h * 0.09, cx, h * 0.02);
    QLinearGradient dropFill(cx - w * 0.08, 0, cx + w * 0.08, h * 0.27);
    dropFill.setColorAt(0, Qt::white);
    dropFill.setColorAt(1, QColor(205, 215, 235));
    p.setPen(QPen(QColor(40, 70, 140), 2));
    p.setBrush(dropFill);
    p.drawPath(drop);
    return pixmap;
}
