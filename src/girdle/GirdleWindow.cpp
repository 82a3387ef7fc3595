#include "girdle/GirdleWindow.h"

#include "controls/EditHistory.h"
#include "controls/FlexGrid.h"
#include "controls/GraphicalButton.h"
#include "controls/Twips.h"
#include "definer/Guard.h"
#include "definer/ShapeList.h"
#include "definer/Styles.h"
#include "store/ClassModule.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStyle>
#include <QVBoxLayout>

namespace girdle {

using controls::place;
namespace styles = definer::styles;

GirdleWindow::GirdleWindow(store::ClassModule &module, const QString &title, int clientWidth, int clientHeight,
                           QWidget *parent)
    : QDialog(parent), m_module(module)
{
    setWindowTitle(title);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    menu = new QMenuBar(this);
    client = new QWidget(this);
    client->setFixedSize(controls::twips(clientWidth), controls::twips(clientHeight));
    styles::paintBackground(client);
    history = new controls::EditHistory(client);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menu);
    layout->addWidget(client);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Label1 = addLabel(QStringLiteral("Label1"), QStringLiteral("SHAPE"), 120, 240, 585, 225);
    cShape = addCombo(QStringLiteral("cShape"), 1200, 120, 1575, 315);
    cShape->addItems({QStringLiteral("Brilliant"), QStringLiteral("Marquise"), QStringLiteral("Pear"),
                      QStringLiteral("Oval"), QStringLiteral("Princess")});
    Label3 = addLabel(QStringLiteral("Label3"), QStringLiteral("INSTITUTE"), 120, 600, 870, 225);
    LabList = addCombo(QStringLiteral("LabList"), 1200, 600, 1575, 315);

    connect(cShape, &QComboBox::activated, this, [this] { cShape_Click(); });
    connect(LabList, &QComboBox::activated, this, [this] { LabList_Click(); });
}

QLabel *GirdleWindow::addLabel(const QString &name, const QString &caption, int left, int top, int width,
                               int height)
{
    QLabel *label = styles::makeLabel(caption, client);
    label->setObjectName(name);
    place(label, left, top, width, height);
    // The lists stand at 1200 twips: a caption wider than its box may grow
    // to the right up to there rather than be cut.
    const int room = controls::twips(1200 - left) - 2;
    label->resize(qMax(label->width(), qMin(label->sizeHint().width(), room)), label->height());
    return label;
}

QComboBox *GirdleWindow::addCombo(const QString &name, int left, int top, int width, int height)
{
    auto *box = new QComboBox(client);
    box->setObjectName(name);
    box->setFont(styles::dataFont());
    place(box, left, top, width, height);
    return box;
}

controls::FlexGrid *GirdleWindow::addGrid(int cols, int left, int top, int width, int height)
{
    auto *grid = new controls::FlexGrid(client);
    grid->setObjectName(QStringLiteral("msg"));
    // Plain, not bold: the headers must fit their 1000-twip columns.
    grid->setFont(controls::makeFont(QStringLiteral("Arial"), 8.25, false));
    grid->setCols(cols);
    grid->setFixedRows(1);
    grid->setFixedCols(1);
    place(grid, left, top, width, height);
    return grid;
}

controls::GraphicalButton *GirdleWindow::addButton(const QString &name, const QString &caption, int pixmap,
                                                   int left, int top, int size)
{
    auto *button = new controls::GraphicalButton(
        caption, style()->standardIcon(QStyle::StandardPixmap(pixmap)), client);
    button->setObjectName(name);
    button->setFont(definer::styles::windowFont());
    place(button, left, top, size, size);
    return button;
}

void GirdleWindow::openFirstShape()
{
    const bool opened = definer::guarded([this] {
        // Its own combo only: ShapeCodes belong to the main window's.
        definer::fillShapeNames(cShape, m_module);
        m_module.OpenDatabases();
    });
    if (!opened)
        cShape->clear();
    // No shape listed: the window opens empty.
    cShape->setCurrentIndex(cShape->count() > 0 ? 0 : -1);
    cShape_Click();
}

void GirdleWindow::cShape_Click()
{
    definer::guarded([this] {
        const QStringList labs = girdleStore().labs(cShape->currentText());
        const QSignalBlocker blocker(LabList);
        LabList->clear();
        LabList->addItems(labs);
        LabList->setCurrentIndex(-1);
    });
    LabList_Click();
}

void GirdleWindow::chainTabOrder(const QList<QWidget *> &order)
{
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

store::Scope GirdleWindow::scope() const
{
    return {cShape->currentText(), LabList->currentText()};
}

store::GirdleStore GirdleWindow::girdleStore() const
{
    return store::GirdleStore(m_module.mainDb());
}

void GirdleWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace girdle
