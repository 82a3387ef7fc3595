#include "access/FrmAbout.h"

#include "controls/Twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace {

// The logo: a brilliant seen from the side, in blues, above the name.
QPixmap paintLogo(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(QColor(0xF2, 0xF6, 0xFB));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    const qreal w = size.width();
    const qreal h = size.height();
    const qreal cx = w / 2;
    const qreal girdleY = h * 0.30;
    const qreal tableY = h * 0.12;
    const qreal culetY = h * 0.72;
    const qreal half = w * 0.36;
    const qreal table = w * 0.18;

    const QPointF gl(cx - half, girdleY), gr(cx + half, girdleY);
    const QPointF tl(cx - table, tableY), tr(cx + table, tableY);
    const QPointF culet(cx, culetY);

    QPainterPath crown;
    crown.moveTo(gl);
    crown.lineTo(tl);
    crown.lineTo(tr);
    crown.lineTo(gr);
    crown.closeSubpath();
    QLinearGradient crownFill(0, tableY, 0, girdleY);
    crownFill.setColorAt(0, QColor(0x9C, 0xC8, 0xF0));
    crownFill.setColorAt(1, QColor(0x3A, 0x7B, 0xC8));
    p.fillPath(crown, crownFill);

    QPainterPath pavilion;
    pavilion.moveTo(gl);
    pavilion.lineTo(gr);
    pavilion.lineTo(culet);
    pavilion.closeSubpath();
    QLinearGradient pavilionFill(0, girdleY, 0, culetY);
    pavilionFill.setColorAt(0, QColor(0x2A, 0x62, 0xB0));
    pavilionFill.setColorAt(1, QColor(0x12, 0x2E, 0x6B));
    p.fillPath(pavilion, pavilionFill);

    QPen facet(QColor(0xE6, 0xF0, 0xFF), 1.2);
    p.setPen(facet);
    p.drawPath(crown);
    p.drawPath(pavilion);
    // Crown facets fan from the table corners to the girdle, pavilion facets
    // run from the girdle to the culet.
    const int facets = 6;
    for (int i = 1; i < facets; ++i) {
        const QPointF onGirdle(gl.x() + (gr.x() - gl.x()) * i / facets, girdleY);
        const QPointF onTable(tl.x() + (tr.x() - tl.x()) * i / facets, tableY);
        p.drawLine(onTable, onGirdle);
        p.drawLine(onGirdle, culet);
    }

    p.setPen(QColor(0x1A, 0x3C, 0x7A));
    QFont font = controls::makeFont(QStringLiteral("Arial"), 1, true);
    font.setPixelSize(qMax(8, int(h * 0.11)));
    p.setFont(font);
    p.drawText(QRectF(0, culetY + h * 0.04, w, h - culetY - h * 0.04),
               Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Orvana Class"));
    return pixmap;
}

// The version line: major.minor, then day and month run together.
QString versionLine(QDate today)
{
    return QStringLiteral("Version: %1.%2.%3%4")
        .arg(ORVANA_VERSION_MAJOR)
        .arg(ORVANA_VERSION_MINOR)
        .arg(today.day())
        .arg(today.month());
}

// Widgets on the window are not background: a press on them must not close it.
template <typename W>
W *keepPress(W *widget)
{
    widget->setAttribute(Qt::WA_NoMousePropagation);
    return widget;
}

QLabel *addLabel(QWidget *parent, const char *name, const QString &text, int left, int top,
                 int width, int height)
{
    auto *label = keepPress(new QLabel(text, parent));
    label->setObjectName(QLatin1String(name));
    controls::place(label, left, top, width, height);
    return label;
}

void addTextBox(QWidget *parent, const char *name, const QString &text, int left, int top,
                int width, int height)
{
    auto *box = keepPress(new QPlainTextEdit(text, parent));
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    // The one-line box for the designer is too short for a scroll bar or the
    // usual margin around the text.
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->document()->setDocumentMargin(1);
    controls::place(box, left, top, width, height);
}

} // namespace

FrmAbout::FrmAbout(QDate today, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About us"));
    setFont(controls::makeFont(QStringLiteral("Arial"), 8, false));
    setFixedSize(controls::twips(5745), controls::twips(3330));

    QLabel *image = addLabel(this, "Image1", QString(), 90, 120, 3510, 2910);
    image->setPixmap(paintLogo(image->size()));

    addLabel(this, "Label1", QStringLiteral("Authors"), 3750, 60, 720, 240);
    addTextBox(this, "Text1", QStringLiteral("Orvana Class team"), 3750, 330, 1875, 795);
    addLabel(this, "Label7", QStringLiteral("Frontend Designer"), 3750, 1290, 1755, 240);
    addTextBox(this, "Text3", QStringLiteral("Orvana Class team"), 3750, 1560, 1875, 270);
    addLabel(this, "Label2", QStringLiteral("Special Thanks"), 3750, 1920, 1455, 240);
    addTextBox(this, "Text2", QStringLiteral("The grading office\nOur testers"), 3750, 2160, 1875,
               1005);
    addLabel(this, "VerDetails", versionLine(today), 1260, 3060, 1320, 225);
}

void FrmAbout::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FrmAbout::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    accept();
}

void FrmAbout::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // The rules under the three headings; drawn rather than made widgets so
    // that a press on them counts as the background.
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    for (int y : {300, 1530, 2160})
        p.drawLine(controls::twips(3720), controls::twips(y), controls::twips(5610),
                   controls::twips(y));
}
