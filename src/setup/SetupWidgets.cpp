#include "setup/SetupWidgets.h"

#include "controls/ReportList.h"
#include "controls/Twips.h"
#include "definer/Styles.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
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

class TextBoxWatcher : public QObject {
public:
    TextBoxWatcher(const std::array<QLineEdit *, 2> &boxes, std::function<void(int)> gotFocus,
                   std::function<void(int, int)> keyDown)
        : QObject(boxes[0]), m_boxes(boxes), m_gotFocus(std::move(gotFocus)), m_keyDown(std::move(keyDown))
    {
        for (QLineEdit *box : m_boxes)
            box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const int index = watched == m_boxes[0] ? 0 : watched == m_boxes[1] ? 1 : -1;
        if (index >= 0 && event->type() == QEvent::FocusIn)
            m_gotFocus(index);
        else if (index >= 0 && event->type() == QEvent::KeyPress)
            m_keyDown(index, static_cast<QKeyEvent *>(event)->key());
        return false;
    }

private:
    std::array<QLineEdit *, 2> m_boxes;
    std::function<void(int)> m_gotFocus;
    std::function<void(int, int)> m_keyDown;
};

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

void watchTextBoxes(const std::array<QLineEdit *, 2> &boxes, std::function<void(int)> gotFocus,
                    std::function<void(int, int)> keyDown)
{
    new TextBoxWatcher(boxes, std::move(gotFocus), std::move(keyDown));
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace setup
