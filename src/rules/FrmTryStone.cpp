#include "rules/FrmTryStone.h"

#include "rules/Grading.h"
#include "rules/Ranges.h"
#include "store/Error.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

namespace rules {

namespace {

// A typed value as grading reads it.
store::Reading reading(const QString &typed)
{
    const std::optional<double> number = readLimit(typed);
    if (!number)
        return {};
    return std::isnan(*number) ? store::Reading{0, store::Reading::NotANumber} : store::Reading{*number, store::Reading::Number};
}

// A stored value as the user would type it.
QString typed(const store::Stones &stones, const store::Reading &value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    switch (value.kind) {
    case store::Reading::Number:
        return locale.toString(value.number, 'g', 15);
    case store::Reading::Text:
        return stones.texts.value(qsizetype(value.number));
    default:
        return {};
    }
}

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

FrmTryStone::FrmTryStone(std::function<RuleSheet()> rules, StoneFinder finder, QWidget *parent)
    : QDialog(parent), m_rules(std::move(rules)), m_finder(std::move(finder))
{
    setWindowTitle(QStringLiteral("Try a stone"));
    auto *layout = new QVBoxLayout(this);
    auto *report = new QHBoxLayout;
    report->addWidget(new QLabel(QStringLiteral("Report number (RID):"), this));
    TxtRid = new QLineEdit(this);
    TxtRid->setObjectName(QStringLiteral("TxtRid"));
    report->addWidget(TxtRid);
    layout->addLayout(report);
    LblReport = new QLabel(this);
    LblReport->setObjectName(QStringLiteral("LblReport"));
    LblReport->setWordWrap(true);
    layout->addWidget(LblReport);
    connect(TxtRid, &QLineEdit::returnPressed, this, &FrmTryStone::TxtRid_Enter);
    TxtRid->setEnabled(bool(m_finder));
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

void FrmTryStone::TxtRid_Enter()
{
    bool ok = false;
    const QString text = TxtRid->text().trimmed();
    const qint64 rid = text.toLongLong(&ok);
    if (!ok) {
        LblReport->setText(QStringLiteral("\"%1\" is not a report number.").arg(text));
        return;
    }
    QStringList fields;
    for (const RuleSheet::Row &row : m_sheet.rows) {
        if (row.include && !fields.contains(row.field))
            fields.append(row.field);
    }
    try {
        const store::Stones stones = m_finder(rid, fields);
        if (stones.count() == 0) {
            LblReport->setText(QStringLiteral("No stone of %1 has the report number %2.").arg(m_sheet.shape).arg(rid));
            return;
        }
        for (const RuleSheet::Row &row : m_sheet.rows) {
            if (row.include)
                m_values[row.parameter] = typed(stones, stones.stone(0)[fields.indexOf(row.field)]);
        }
        LblReport->setText(QStringLiteral("The values of report %1.").arg(rid));
    } catch (const store::Error &error) {
        LblReport->setText(error.message());
        return;
    }
    refresh();
}

void FrmTryStone::evaluate()
{
    // Each row of the sheet reads the value typed for it.
    QVector<int> columns;
    QVector<store::Reading> values;
    for (int r = 0; r < m_sheet.rows.size(); ++r) {
        columns.append(r);
        values.append(reading(m_values.value(m_sheet.rows[r].parameter)));
    }
    const Grader grader(m_sheet, columns);
    QVector<Grade> byParameter;
    const Grade stone = grader.grade(values.constData(), &byParameter);
    m_filling = true;
    bool any = false;
    int shown = 0;
    for (int r = 0; r < m_sheet.rows.size(); ++r) {
        if (!m_sheet.rows[r].include)
            continue;
        const Grade &found = byParameter[r];
        any = any || found.kind != Grade::NoValue;
        Grid->item(shown++, ClassCol)
            ->setText(found.kind == Grade::NoValue      ? QString()
                          : found.kind == Grade::NotANumber ? QStringLiteral("not a number")
                                                            : grader.className(found));
    }
    m_filling = false;
    QString why;
    if (stone.kind == Grade::NoValue && stone.parameter >= 0)
        why = QStringLiteral(" (no value for %1)").arg(grader.parameterName(stone));
    else if (stone.kind == Grade::NotANumber)
        why = QStringLiteral(" (%1 is not a number)").arg(grader.parameterName(stone));
    LblStone->setText(!any ? QStringLiteral("Type the stone's measurements, or a report number.")
                           : QStringLiteral("The stone: %1%2").arg(grader.className(stone), why));
}

} // namespace rules
