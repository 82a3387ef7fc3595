#pragma once

#include <QString>
#include <array>
#include <functional>

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

// Reports focus gains and key presses of the two boxes of a Txt array, with
// the box's index, to the window's Txt_GotFocus and Txt_KeyDown.
void watchTextBoxes(const std::array<QLineEdit *, 2> &boxes, std::function<void(int)> gotFocus,
                    std::function<void(int, int)> keyDown);

// Enter, from either key that sends it.
bool isEnter(int key);

} // namespace setup
