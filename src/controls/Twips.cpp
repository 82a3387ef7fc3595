#include "controls/Twips.h"

#include <QFile>
#include <QFontDatabase>
#include <QLabel>

namespace controls {

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(left, top, width, height));
    // A caption is never clipped: labels grow to the right to fit the face
    // that stands in for the one the layout was drawn with.
    if (auto *label = qobject_cast<QLabel *>(widget); label && !label->wordWrap())
        label->resize(qMax(label->width(), label->sizeHint().width()), label->height());
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

void registerLayoutFonts()
{
#ifndef Q_OS_WIN
    for (const char *path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        if (QFile::exists(QString::fromLatin1(path)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(path));
#endif
}

} // namespace controls
