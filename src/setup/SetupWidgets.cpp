#include "setup/SetupWidgets.h"

#include "controls/ReportList.h"
#include "controls/Twips.h"
#include "definer/Styles.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace setup {

namespace {

template <typename W>
W *named(W *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    controls::place(widget, left, top, width, height);
    return widget;
}

} // namespace

QLabel *addLabel(QWidget *parent, const char *name, const QString &caption, int left, int top, int width,
                 int height)
{
    return named(definer::styles::makeLabel(caption, parent), name, left, top, width, height);
}

QPushButton *addButton(QWidget *parent, const char *name, const QString &caption, int left, int top,
                       int width, int height)
{
    auto *button = named(new QPushButton(caption, parent), name, left, top, width, height);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QComboBox *addCombo(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *combo = named(new QComboBox(parent), name, left, top, width, height);
    combo->setFont(definer::styles::dataFont());
    return combo;
}

QLineEdit *addTextBox(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *box = named(new QLineEdit(parent), name, left, top, width, height);
    box->setFont(definer::styles::dataFont());
    return box;
}

controls::ReportList *addList(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *list = named(new controls::ReportList(parent), name, left, top, width, height);
    list->setFont(definer::styles::dataFont());
    return list;
}

void setUpWindow(QWidget *window, const QString &caption, int width, int height)
{
    window->setWindowTitle(caption);
    window->setFixedSize(controls::twips(width), controls::twips(height));
    definer::styles::paintBackground(window);
}

void setTabOrder(std::initializer_list<QWidget *> widgets)
{
    QWidget *previous = nullptr;
    for (QWidget *widget : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

} // namespace setup
