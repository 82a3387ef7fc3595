#include "rules/FrmTryStone.h"

#include "controls/Number.h"
#include "rules/Ranges.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace rules {

const QString FrmTryStone::kOutside = QStringLiteral("outside every class");

namespace {

enum Column { ParameterCol, ValueCol, ClassCol };

// The row a key moves on to: Enter and Down the next parameter, Up the one
// before; 0 for any other key.
int stepOf(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        return 1;
    case Qt::Key_Up:
        return -1;
    default:
        return 0;
    }
}

// While a value is typed, Enter, Down and Up take it at once and move on, so
// that it is graded then, on the last parameter too, where nothing is left
// to move to.
class ValueEditing : public QStyledItemDelegate {
public:
    ValueEditing(std::function<void(int)> moveBy, QObject *parent)
        : QStyledItemDelegate(parent), m_moveBy(std::move(moveBy))
    {
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *editor = qobject_cast<QWidget *>(object);
        const int step = event->type() == QEvent::KeyPress ? stepOf(static_cast<QKeyEvent *>(event)->key()) : 0;
        if (!editor || step == 0)
            return QStyledItemDelegate::eventFilter(object, event);
        emit commitData(editor);
        emit closeEditor(editor);
        m_moveBy(step);
        return true;
    }

private:
    std::function<void(int)> m_moveBy;
};

} // namespace

FrmTryStone::FrmTryStone(std::function<RuleSheet()> rules, QWidget *parent) : QDialog(parent), m_rules(std::move(rules))
{
    setWindowTitle(QStringLiteral("Try a stone"));
    auto *layout = new QVBoxLayout(this);
    Grid = new QTableWidget(0, 3, this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setHorizontalHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value"), QStringLiteral("Class")});
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Grid->verticalHeader()->hide();
    layout->addWidget(Grid);
    LblStone = new QLabel(this);
    LblStone->setObjectName(QStringLiteral("LblStone"));
    layout->addWidget(LblStone);
    resize(420, 360);
    Grid->setItemDelegateForColumn(ValueCol, new ValueEditing([this](int step) { moveBy(step); }, this));
    Grid->installEventFilter(this);
    connect(Grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (m_filling || item->column() != ValueCol)
            return;
        m_values[Grid->item(item->row(), ParameterCol)->text()] = item->text();
        evaluate();
    });
    refresh();
}

FrmTryStone::~FrmTryStone()
{
    // Closing a value still being typed commits it while the dialog goes;
    // by then the values it would go into are gone.
    disconnect(Grid, nullptr, this, nullptr);
}

void FrmTryStone::moveBy(int step)
{
    if (Grid->rowCount() > 0)
        Grid->setCurrentCell(qBound(0, Grid->currentRow() + step, Grid->rowCount() - 1), ValueCol);
}

bool FrmTryStone::eventFilter(QObject *watched, QEvent *event)
{
    // Enter on a value not being typed moves on as it does after typing.
    if (watched == Grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            moveBy(1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmTryStone::refresh()
{
    m_sheet = m_rules();
    m_filling = true;
    Grid->setRowCount(0);
    for (const RuleSheet::Row &row : m_sheet.rows) {
        if (!row.include)
            continue;
        const int r = Grid->rowCount();
        Grid->insertRow(r);
        auto *name = new QTableWidgetItem(row.parameter);
        name->setFlags(Qt::ItemIsEnabled);
        Grid->setItem(r, ParameterCol, name);
        Grid->setItem(r, ValueCol, new QTableWidgetItem(m_values.value(row.parameter)));
        auto *found = new QTableWidgetItem;
        found->setFlags(Qt::ItemIsEnabled);
        Grid->setItem(r, ClassCol, found);
    }
    m_filling = false;
    evaluate();
}

void FrmTryStone::setValue(const QString &parameter, const QString &value)
{
    for (int r = 0; r < Grid->rowCount(); ++r)
        if (Grid->item(r, ParameterCol)->text() == parameter)
            Grid->item(r, ValueCol)->setText(value);
}

void FrmTryStone::evaluate()
{
    m_filling = true;
    int worst = -1;
    bool outside = false, any = false;
    int r = 0;
    for (const RuleSheet::Row &row : m_sheet.rows) {
        if (!row.include)
            continue;
        const QString typed = m_values.value(row.parameter).trimmed();
        const std::optional<double> value = controls::readNumber(typed);
        QString result;
        if (!typed.isEmpty() && !value) {
            result = QStringLiteral("not a number");
        } else if (value) {
            any = true;
            const int k = classOf(*value, row.limits);
            outside = outside || k < 0;
            worst = qMax(worst, k);
            result = k < 0 ? kOutside : m_sheet.classes.value(k);
        }
        Grid->item(r++, ClassCol)->setText(result);
    }
    m_filling = false;
    LblStone->setText(!any ? QStringLiteral("Type the stone's measurements.")
                           : QStringLiteral("The stone: %1").arg(outside ? kOutside : m_sheet.classes.value(worst)));
}

} // namespace rules
