#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

// The look shared by the definer windows.
namespace definer::styles {

QColor windowColor();       // light grey background
QFont dataFont();           // Tahoma 8.25 bold: lists, boxes, grids
QFont labelFont();          // Arial 9 bold
QFont windowFont();         // Tahoma 8.25: what the windows' own face stands for
QLabel *makeLabel(const QString &caption, QWidget *parent);
void styleCellEditor(QLineEdit *editor);
void paintBackground(QWidget *widget);

} // namespace definer::styles
