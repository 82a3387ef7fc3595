#include "definer/RuleSetPanel.h"

#include "controls/EditHistory.h"
#include "controls/FlexGrid.h"
#include "controls/GraphicalButton.h"
#include "controls/GridEdits.h"
#include "controls/Twips.h"
#include "definer/ClassNameList.h"
#include "definer/Styles.h"
#include "rules/Ranges.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVarLengthArray>
#include <QListWidget>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace definer {

using controls::place;

namespace {

constexpr int kFirstDataRow = 2;
const QColor kWrongTint(0xFF, 0xC8, 0xC8);    // not a number, or Min above Max
const QColor kDoubtfulTint(0xFF, 0xF0, 0xB0); // outside the range of the class after it

QListWidget *makeTickList(QWidget *page)
{
    auto *list = new QListWidget(page);
    list->setFont(styles::dataFont());
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // The list stands 390 twips in from the tab control's left edge and
    // fills the page below the tab strip.
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(controls::twips(390) - 2, 4, controls::twips(90), 4);
    layout->addWidget(list);
    return list;
}

} // namespace

RuleSetPanel::RuleSetPanel(QWidget *host, const PanelCaptions &captions, const controls::EditorPolicy &policy)
    : QObject(host)
{
    buildControls(host, captions);
    m_history = new controls::EditHistory(host);
    m_cells = new controls::GridEdits(msf, m_history, [this](int row, int col) { return cellName(row, col); }, this);
    connect(m_cells, &controls::GridEdits::cellsChanged, this, &RuleSetPanel::markCells);
    m_editor = new controls::CellEditor(m_cells, Txt, policy, this);
    msf->setNoteProvider([this](int row) { return checkRow(row); });
    for (QListWidget *list : {PList, sList})
        connect(list, &QListWidget::itemChanged, this, &RuleSetPanel::tickChanged);
    m_classNames = new ClassNameList(LCname, TxtCName, m_history, this);
    for (int i = 0; i < 4; ++i)
        connect(BtnList[i], &QAbstractButton::clicked, m_classNames, [this, i] { m_classNames->BtnList_Click(i); });
    m_history->watchTextBoxes(host);
}

QString RuleSetPanel::cellName(int row, int col) const
{
    // "Table % / Excellent Min"
    return QStringLiteral("%1 / %2 %3").arg(msf->textMatrix(row, 0), msf->textMatrix(0, col), msf->textMatrix(1, col));
}

void RuleSetPanel::buildControls(QWidget *host, const PanelCaptions &captions)
{
    QStyle *style = host->style();

    LCname = new QListWidget(host);
    LCname->setObjectName(QStringLiteral("LCname"));
    LCname->setFont(styles::dataFont());
    place(LCname, 4830, 90, 2625, 1815);

    TxtCName = new QLineEdit(host);
    TxtCName->setObjectName(QStringLiteral("TxtCName"));
    TxtCName->setFont(styles::dataFont());
    place(TxtCName, 4830, 1950, 2625, 345);

    const struct {
        const char *caption;
        QStyle::StandardPixmap icon;
        int left, top;
    } buttons[4] = {{"Add", QStyle::SP_FileDialogNewFolder, 6930, 2340},
                    {"Delete", QStyle::SP_DialogDiscardButton, 6360, 2340},
                    {"Move up", QStyle::SP_ArrowUp, 7500, 510},
                    {"Move down", QStyle::SP_ArrowDown, 7500, 1110}};
    for (int i = 0; i < 4; ++i) {
        BtnList[i] = new controls::GraphicalButton(QString::fromLatin1(buttons[i].caption),
                                                   style->standardIcon(buttons[i].icon), host);
        BtnList[i]->setObjectName(QStringLiteral("BtnList%1").arg(i));
        BtnList[i]->setFont(styles::dataFont());
        place(BtnList[i], buttons[i].left, buttons[i].top, 555, 555);
    }

    BtnApply = new controls::GraphicalButton(captions.apply, style->standardIcon(QStyle::SP_DialogApplyButton), host);
    BtnApply->setObjectName(QStringLiteral("BtnApply"));
    BtnApply->setFont(styles::dataFont());
    place(BtnApply, 4830, 2340, 555, 555);
    // Where a caption needs more room, take it from the free space beside.
    constexpr int kGap = 4;
    BtnApply->fitCaption(BtnList[1]->x() - kGap);
    BtnList[1]->fitCaption(BtnApply->geometry().right() + 1 + kGap);

    SSTab1 = new QTabWidget(host);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setFont(controls::makeFont(QStringLiteral("Arial"), 8.25, false));
    place(SSTab1, 8250, 90, 3405, 2805);
    auto *includePage = new QWidget;
    auto *showPage = new QWidget;
    SSTab1->addTab(includePage, captions.includeTab);
    SSTab1->addTab(showPage, captions.showTab);
    PList = makeTickList(includePage);
    PList->setObjectName(QStringLiteral("PList"));
    sList = makeTickList(showPage);
    sList->setObjectName(QStringLiteral("sList"));

    Label7 = styles::makeLabel(QStringLiteral("CLASS DATA"), host);
    place(Label7, 120, 2910, 1095, 225);

    msf = new controls::FlexGrid(host);
    msf->setObjectName(QStringLiteral("msf"));
    msf->setFont(styles::dataFont());
    msf->setFixedRows(2);
    msf->setFixedCols(1);
    place(msf, 120, 3120, 13245, 4065);

    Txt = new QLineEdit(host);
    Txt->setObjectName(QStringLiteral("Txt"));
    styles::styleCellEditor(Txt);
    place(Txt, 4500, 4740, 825, 285);
    Txt->setFocusPolicy(Qt::ClickFocus);
}

void RuleSetPanel::hideEditor()
{
    m_editor->hideEditor();
}

QVector<bool> RuleSetPanel::ticks(const QListWidget *list)
{
    QVector<bool> on(list->count());
    for (int i = 0; i < list->count(); ++i)
        on[i] = list->item(i)->checkState() == Qt::Checked;
    return on;
}

void RuleSetPanel::setTicks(QListWidget *list, const QVector<bool> &on)
{
    // Loading is not a change of the user's: no itemChanged.
    const QSignalBlocker quiet(list);
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem *item = list->item(i);
        const Qt::CheckState state = on.value(i) ? Qt::Checked : Qt::Unchecked;
        if (item->checkState() != state)
            item->setCheckState(state);
        if (item->data(Qt::ForegroundRole).isValid())
            item->setData(Qt::ForegroundRole, QVariant());
    }
}

void RuleSetPanel::showParameters(const QVector<store::Parameter> &parameters)
{
    hideEditor();
    LCname->clear();
    msf->setRows(kFirstDataRow);
    msf->setCols(1);
    m_rowFields = QStringList(QList<QString>(parameters.size() + 1));
    msf->setRedraw(false);
    msf->setRows(kFirstDataRow + int(parameters.size()));
    for (QListWidget *list : {PList, sList}) {
        const QSignalBlocker quiet(list);
        list->setUpdatesEnabled(false);
        list->clear();
    }
    for (int i = 0; i < parameters.size(); ++i) {
        msf->setTextMatrix(kFirstDataRow + i, 0, parameters[i].displayName);
        m_rowFields[i] = parameters[i].fieldName;
        for (QListWidget *list : {PList, sList}) {
            const QSignalBlocker quiet(list);
            auto *item = new QListWidgetItem(parameters[i].displayName, list);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
    for (QListWidget *list : {PList, sList})
        list->setUpdatesEnabled(true);
    if (!parameters.isEmpty())
        msf->setColWidth(0, kNameColumnWidth);
    msf->setRedraw(true);
    markLoaded();
}

void RuleSetPanel::showClasses(const QStringList &classes, const store::RangeLookup &ranges)
{
    hideEditor();
    msf->setRedraw(false);
    for (int r = 0; r < msf->rows(); ++r)
        msf->setMergeRow(r, true);
    LCname->clear();
    msf->setCols(1);
    QString header;
    for (const QString &name : classes) {
        LCname->addItem(name);
        header += QStringLiteral("|^") + name + QStringLiteral("|^") + name;
    }
    msf->setFormatString(QStringLiteral(">Class Names") + header);
    msf->setColWidth(0, kNameColumnWidth);
    for (int i = 1; i + 1 < msf->cols(); i += 2) {
        msf->setColWidth(i, kClassColumnWidth);
        msf->setColWidth(i + 1, kClassColumnWidth);
        msf->setTextMatrix(1, i, QStringLiteral("Min"));
        msf->setTextMatrix(1, i + 1, QStringLiteral("Max"));
    }
    const int parameters = msf->rows() - kFirstDataRow;
    QVector<bool> includes(parameters);
    QVector<bool> shows(parameters);
    for (int r = kFirstDataRow; r < msf->rows(); ++r) {
        const store::RangeLookup::Cells *cells = ranges.parameter(msf->textMatrix(r, 0));
        if (!cells)
            continue;
        for (int j = 0; j < classes.size() && j < cells->size(); ++j) {
            const store::RangeCell &cell = cells->at(j);
            if (!cell.stored)
                continue;
            msf->setTextMatrix(r, 2 * j + 1, cell.min);
            msf->setTextMatrix(r, 2 * j + 2, cell.max);
            // A tick is on when any class row of the parameter carries it.
            includes[r - kFirstDataRow] = includes[r - kFirstDataRow] || cell.include;
            shows[r - kFirstDataRow] = shows[r - kFirstDataRow] || cell.show;
        }
    }
    setTicks(PList, includes);
    setTicks(sList, shows);
    msf->setRedraw(true);
    markLoaded();
}

QVector<controls::FlexGrid::CellNote> RuleSetPanel::checkRow(int row) const
{
    QStringList classes;
    for (int col = 1; col < msf->cols(); col += 2)
        classes << msf->textMatrix(0, col);
    QVector<controls::FlexGrid::CellNote> notes;
    QVarLengthArray<int, 64> noteOfCell(msf->cols(), -1);
    // Problems come wrong ones first; a cell with both kinds keeps the stronger tint.
    for (const rules::LimitProblem &problem : rules::checkLimits(msf->rowTexts(row).mid(1), classes)) {
        const int col = problem.index + 1;
        if (noteOfCell[col] >= 0) {
            notes[noteOfCell[col]].text += u'\n' + problem.why;
            continue;
        }
        noteOfCell[col] = int(notes.size());
        notes.append({col, problem.kind == rules::LimitProblem::NotInsideNext ? kDoubtfulTint : kWrongTint, problem.why});
    }
    return notes;
}

void RuleSetPanel::markLoaded()
{
    msf->refreshNotes();
    m_savedClasses = classNames();
    markGridSaved();
}

void RuleSetPanel::markGridSaved()
{
    m_savedCells.resize(msf->rows());
    for (int r = kFirstDataRow; r < msf->rows(); ++r)
        m_savedCells[r] = msf->rowTexts(r);
    m_savedIncludes = ticks(PList);
    m_savedShows = ticks(sList);
    setTicks(PList, m_savedIncludes); // drops the change colour
    setTicks(sList, m_savedShows);
    msf->clearMarks();
    m_changedCells = 0;
    emit contentChanged(); // what is stored changed too
    m_history->clear();
}

void RuleSetPanel::markCells(const QVector<QPoint> &cells)
{
    for (const QPoint &cell : cells) {
        const int row = cell.y();
        const int col = cell.x();
        msf->refreshNotes(row);
        const bool changed = msf->textMatrix(row, col) != m_savedCells.value(row).value(col);
        if (changed == msf->cellMarked(row, col))
            continue;
        msf->setCellMarked(row, col, changed);
        m_changedCells += changed ? 1 : -1;
    }
    emit contentChanged();
}

void RuleSetPanel::tickChanged(QListWidgetItem *item)
{
    QListWidget *list = item->listWidget();
    const int index = list->row(item);
    const int tab = list == PList ? 0 : 1;
    const bool on = item->checkState() == Qt::Checked;
    auto put = [this, list, index, tab](bool state) {
        QListWidgetItem *target = list->item(index);
        {
            const QSignalBlocker quiet(list);
            target->setCheckState(state ? Qt::Checked : Qt::Unchecked);
        }
        // Undo and redo show the tick they changed.
        SSTab1->setCurrentIndex(tab);
        list->setCurrentRow(index);
        markTick(target);
    };
    markTick(item);
    m_history->push(new controls::EditStep(
        QStringLiteral("%1 %2 in %3").arg(on ? "ticking" : "unticking", item->text(), SSTab1->tabText(tab)),
        [put, on] { put(!on); },
        [put, on](bool again) {
            if (again)
                put(on);
        }));
}

void RuleSetPanel::markTick(QListWidgetItem *item)
{
    const QListWidget *list = item->listWidget();
    const QVector<bool> &saved = list == PList ? m_savedIncludes : m_savedShows;
    const bool changed = (item->checkState() == Qt::Checked) != saved.value(list->row(item));
    const QSignalBlocker quiet(item->listWidget());
    item->setData(Qt::ForegroundRole, changed ? QVariant(controls::kChangedColor) : QVariant());
    emit contentChanged();
}

bool RuleSetPanel::gridChanged() const
{
    return m_changedCells > 0 || m_editor->hasPendingChange() || ticks(PList) != m_savedIncludes
        || ticks(sList) != m_savedShows;
}

bool RuleSetPanel::classesChanged() const
{
    return classNames() != m_savedClasses;
}

QStringList RuleSetPanel::classNames() const
{
    QStringList names;
    for (int i = 0; i < LCname->count(); ++i)
        names.append(LCname->item(i)->text());
    return names;
}

QVector<store::RangeRow> RuleSetPanel::gridRanges() const
{
    QVector<store::RangeRow> rows;
    rows.reserve((msf->rows() - kFirstDataRow) * (msf->cols() / 2));
    for (int r = kFirstDataRow; r < msf->rows(); ++r) {
        const int i = r - kFirstDataRow;
        const bool include = i < PList->count() && PList->item(i)->checkState() == Qt::Checked;
        const bool show = i < sList->count() && sList->item(i)->checkState() == Qt::Checked;
        int k = 0;
        for (int j = 1; j < msf->cols(); j += 2) {
            ++k;
            rows.append(store::RangeRow{k, msf->textMatrix(r, 0), msf->textMatrix(r, j), msf->textMatrix(r, j + 1), include,
                                        msf->textMatrix(0, j), m_rowFields.value(i), show});
        }
    }
    return rows;
}

} // namespace definer
