#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

class QWidget;

namespace controls {

// Layouts are laid down in twips; 15 twips make one pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;

constexpr int twips(int value)
{
    return (value + (value >= 0 ? kTwipsPerPixel / 2 : -kTwipsPerPixel / 2)) / kTwipsPerPixel;
}

constexpr int toTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// Places a widget at a position given in twips; a label grows to its caption.
void place(QWidget *widget, int left, int top, int width, int height);

// A colour written as &H00BBGGRR.
constexpr QColor bgrColor(unsigned value)
{
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

QFont makeFont(const QString &family, qreal pointSize, bool bold);

// The layouts were drawn with Tahoma; where it is missing (not Windows),
// use its metric twin that Debian ships (fonts-wine) so captions fit.
void registerLayoutFonts();

} // namespace controls
