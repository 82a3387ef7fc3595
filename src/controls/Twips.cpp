#include "controls/Twips.h"

#include <QWidget>

namespace controls {

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(left, top, width, height));
}

QFont makeFont(const QString &family, qreal pointSize, bool bold)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    // Where the family is missing, fall back to a plain sans serif face.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace controls
