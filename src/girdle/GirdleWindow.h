#pragma once

#include "store/GirdleStore.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QMenuBar;
class QStyle;

namespace controls {
class EditHistory;
class FlexGrid;
class GraphicalButton;
}
namespace store {
class ClassModule;
}

namespace girdle {

// What both girdle windows share: a menu bar above a client area of fixed
// size, the shape and lab lists at the top left, the opening of the shape
// list and the connections, and the labs of a shape.
class GirdleWindow : public QDialog {
    Q_OBJECT

public:
    QMenuBar *menu;
    QWidget *client; // the form's area below the menu; controls are placed on it in twips
    QLabel *Label1, *Label3;
    QComboBox *cShape, *LabList;
    // What the grid's edits were since it was loaded or saved.
    controls::EditHistory *history;

    // The labs that have cut classes for the shape, none of them chosen;
    // then the lab change, with no lab.
    void cShape_Click();
    virtual void LabList_Click() = 0;

protected:
    GirdleWindow(store::ClassModule &module, const QString &title, int clientWidth, int clientHeight,
                 QWidget *parent);

    // The first steps of opening: the shape list, the connections opened
    // again (another window may have left them elsewhere), the first shape.
    void openFirstShape();
    void chainTabOrder(const QList<QWidget *> &order);
    store::Scope scope() const;
    store::GirdleStore girdleStore() const;

    QLabel *addLabel(const QString &name, const QString &caption, int left, int top, int width, int height);
    QComboBox *addCombo(const QString &name, int left, int top, int width, int height);
    controls::FlexGrid *addGrid(int cols, int left, int top, int width, int height);
    controls::GraphicalButton *addButton(const QString &name, const QString &caption, int pixmap, int left,
                                         int top, int size);

    // Esc does not close the window: that would drop the grid's edits
    // while the user only meant to leave a cell.
    void keyPressEvent(QKeyEvent *event) override;

    store::ClassModule &m_module;
};

} // namespace girdle
