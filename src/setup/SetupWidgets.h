#pragma once

#include <QString>
#include <initializer_list>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace controls {
class ReportList;
}

// The pieces the parameter, shapes and institute windows are built from,
// each placed in twips and named as the window's control.
namespace setup {

QLabel *addLabel(QWidget *parent, const char *name, const QString &caption, int left, int top, int width,
                 int height);
// Never the dialog's default button: Enter in a text box has its own meaning.
QPushButton *addButton(QWidget *parent, const char *name, const QString &caption, int left, int top,
                       int width, int height);
// A drop-down list.
QComboBox *addCombo(QWidget *parent, const char *name, int left, int top, int width, int height);
QLineEdit *addTextBox(QWidget *parent, const char *name, int left, int top, int width, int height);
controls::ReportList *addList(QWidget *parent, const char *name, int left, int top, int width, int height);

// The light grey window with the given caption and client size.
void setUpWindow(QWidget *window, const QString &caption, int width, int height);

// Tab order through the widgets, in the order given.
void setTabOrder(std::initializer_list<QWidget *> widgets);

} // namespace setup
