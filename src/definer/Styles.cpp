#include "definer/Styles.h"

#include "controls/Twips.h"

#include <QLabel>
#include <QLineEdit>

namespace definer::styles {

QColor windowColor()
{
    return controls::bgrColor(0x00C0C0C0);
}

QFont dataFont()
{
    return controls::makeFont(QStringLiteral("Tahoma"), 8.25, true);
}

QFont windowFont()
{
    return controls::makeFont(QStringLiteral("Tahoma"), 8.25, false);
}

QFont labelFont()
{
    return controls::makeFont(QStringLiteral("Arial"), 9, true);
}

QLabel *makeLabel(const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setFont(labelFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, controls::bgrColor(0x00404040));
    label->setPalette(palette);
    return label;
}

void styleCellEditor(QLineEdit *editor)
{
    editor->setFont(dataFont());
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Base, controls::bgrColor(0x00FFE9B5));
    palette.setColor(QPalette::Text, controls::bgrColor(0x00800000));
    editor->setPalette(palette);
    editor->setFrame(false);
}

void paintBackground(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, windowColor());
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace definer::styles
