#include "controls/GraphicalButton.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

namespace controls {

namespace {
constexpr int kBorder = 2;     // the bevel, each side
constexpr int kMinPicture = 10; // below this a picture says nothing
constexpr int kMaxPicture = 32;
} // namespace

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

QSize GraphicalButton::captionSize(int width) const
{
    return fontMetrics()
        .boundingRect(QRect(0, 0, width - 2 * kBorder, 1000), Qt::AlignHCenter | Qt::TextWordWrap, text())
        .size();
}

void GraphicalButton::fitCaption(int limit)
{
    const bool growLeft = limit < x();
    const int widest = growLeft ? x() + width() - limit : limit - x();
    const int room = height() - 2 * kBorder - kMinPicture - 1;
    int width = this->width();
    // Wider lines mean fewer of them.
    for (; width < widest; ++width) {
        const QSize caption = captionSize(width);
        if (caption.width() <= width - 2 * kBorder && caption.height() <= room)
            break;
    }
    width = qMax(this->width(), width);
    setGeometry(growLeft ? x() + this->width() - width : x(), y(), width, height());
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

    const QRect inner = rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
    const int captionHeight = qMin(inner.height(), captionSize(width()).height());
    const int shift = isDown() ? 1 : 0;
    const int pictureSize = std::min({kMaxPicture, inner.width(), inner.height() - captionHeight - 1});
    if (pictureSize >= kMinPicture) {
        const QRect pictureRect(inner.center().x() - pictureSize / 2 + shift, inner.top() + shift, pictureSize,
                                pictureSize);
        icon().paint(&p, pictureRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const QRect captionRect(inner.left() + shift, inner.bottom() + 1 - captionHeight + shift, inner.width(),
                            captionHeight);
    p.drawText(captionRect, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inner;
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

void GraphicalButton::keyPressEvent(QKeyEvent *event)
{
    // Enter clicks a focused button, as Space does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

} // namespace controls
