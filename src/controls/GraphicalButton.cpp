#include "controls/GraphicalButton.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace controls {

GraphicalButton::GraphicalButton(const QString &caption, const QIcon &icon, QWidget *parent)
    : QAbstractButton(parent)
{
    setText(caption);
    setIcon(icon);
    setToolTip(caption);
    setFocusPolicy(Qt::StrongFocus);
}

QSize GraphicalButton::sizeHint() const
{
    return QSize(37, 37);
}

void GraphicalButton::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::None;
    if (isDown())
        option.state |= QStyle::State_Sunken;
    else
        option.state |= QStyle::State_Raised;
    p.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect inner = rect().adjusted(2, 2, -2, -2);
    // The caption needs most of the height: two or three short lines.
    const int iconSize = qMin(inner.width(), inner.height()) * 2 / 5;
    const QRect iconRect(inner.center().x() - iconSize / 2 + (isDown() ? 1 : 0), inner.top() + 1,
                         iconSize, iconSize);
    icon().paint(&p, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);

    QFont small = font();
    small.setPointSizeF(qMax(5.0, font().pointSizeF() - 3.0));
    p.setFont(small);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const QRect textRect(inner.left(), iconRect.bottom() + 1, inner.width(), inner.bottom() - iconRect.bottom());
    p.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inner;
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace controls
