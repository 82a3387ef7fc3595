#include "girdle/FrmDescClass.h"

#include "controls/EditHistory.h"
#include "controls/FlexGrid.h"
#include "controls/GraphicalButton.h"
#include "controls/GridEdits.h"
#include "controls/Prompt.h"
#include "controls/Twips.h"
#include "definer/Guard.h"
#include "definer/Styles.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>

namespace girdle {

using controls::place;

FrmDescClass::FrmDescClass(store::ClassModule &module, QWidget *parent)
    : GirdleWindow(module, QStringLiteral("Description Grade"), 3405, 5220, parent)
{
    op = menu->addMenu(QStringLiteral("Option"));
    op->setObjectName(QStringLiteral("op"));
    cpy = op->addAction(QStringLiteral("Copy"));
    cpy->setObjectName(QStringLiteral("cpy"));
    cpy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    Pst = op->addAction(QStringLiteral("Paste"));
    Pst->setObjectName(QStringLiteral("Pst"));
    Pst->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    // Below Copy and Paste, which keep their places.
    op->addSeparator();
    op->addAction(history->undoAction());
    op->addAction(history->redoAction());

    Label2 = addLabel(QStringLiteral("Label2"), QStringLiteral("CLASS"), 360, 1080, 585, 225);
    class_ = addCombo(QStringLiteral("class"), 1200, 1080, 1575, 315);
    class_->addItems({QStringLiteral("Bazel"), QStringLiteral("Bone"), QStringLiteral("Narrow"),
                      QStringLiteral("Overall")});
    msg = addGrid(3, 120, 1560, 3135, 3015);
    Grade = addCombo(QStringLiteral("Grade"), 1200, 3120, 1575, 315);
    Grade->setFont(msg->font()); // it stands in for a cell
    Grade->hide();
    Grade->installEventFilter(this);
    BtnSave = addButton(QStringLiteral("BtnSave"), QStringLiteral("Save Data.."), QStyle::SP_DialogSaveButton,
                        2760, 4680, 435);
    // Only 435 twips square: it widens to the left, where nothing stands.
    BtnSave->fitCaption(msg->x());

    chainTabOrder({cShape, LabList, class_, msg, BtnSave});

    connect(class_, &QComboBox::activated, this, [this] { class_Click(); });
    connect(BtnSave, &QAbstractButton::clicked, this, [this] { BtnSave_Click(); });
    connect(cpy, &QAction::triggered, this, [this] { cpy_Click(); });
    connect(Pst, &QAction::triggered, this, [this] { Pst_Click(); });
    connect(msg, &controls::FlexGrid::clicked, this, [this] { tFlexFocus(); });
    connect(msg, &controls::FlexGrid::leaveCell, this, [this] { onLeaveCell(); });
    connect(msg, &controls::FlexGrid::scrolled, this, [this] { placeGrade(); });
    m_cells = new controls::GridEdits(
        msg, history,
        [this](int row, int col) {
            return QStringLiteral("%1, %2 description").arg(msg->textMatrix(row, 0), col == 1 ? "first" : "second");
        },
        this);
    // Grade lets go of its cell while undo or redo changes the grid.
    connect(m_cells, &controls::GridEdits::aboutToChange, this, [this] {
        Grade->setCurrentIndex(-1);
        Grade->hide();
    });
    history->setPending([this] { return pendingStep(); }, [this] { writeChoice(); });
    connect(Grade, &QComboBox::currentIndexChanged, history, &controls::EditHistory::refresh);

    Form_Load();
}

void FrmDescClass::Form_Load()
{
    openFirstShape();
    class_->setCurrentIndex(0);
    class_Click();
}

void FrmDescClass::LabList_Click()
{
    class_Click();
    CopyBuffer.clear();
}

void FrmDescClass::class_Click()
{
    GetDescriptions();
    GetDescGrades();
    Grade->hide();
    history->clear();
}

void FrmDescClass::GetDescriptions()
{
    Grade->clear();
    QVector<store::GirdleDescription> rows;
    definer::guarded([&] { rows = girdleStore().descriptions(scope()); });
    // One entry more than there are descriptions: an empty cell finds the
    // empty last entry.
    DescIDs = QStringList(QList<QString>(rows.size() + 1));
    DescNames = DescIDs;
    for (int k = 0; k < rows.size(); ++k) {
        Grade->addItem(rows[k].text);
        DescIDs[k] = QString::number(rows[k].id);
        DescNames[k] = rows[k].text;
    }
    Grade->setCurrentIndex(-1);
}

void FrmDescClass::GetDescGrades()
{
    msg->clear();
    QStringList classes;
    QVector<store::GirdleGrade> grades;
    definer::guarded([&] {
        const store::GirdleStore girdle = girdleStore();
        classes = girdle.classes(scope());
        grades = girdle.grades(scope(), class_->currentText(), &m_seen);
    });
    if (!classes.isEmpty()) {
        msg->setRows(int(classes.size()) + 1);
        msg->setColWidth(0, 1050);
        for (int i = 0; i < classes.size(); ++i)
            msg->setTextMatrix(i + 1, 0, classes[i]);
    }
    // Descriptions are found by their ID, not by their place in the list:
    // a save that skipped an incomplete description leaves gaps in the IDs.
    auto nameOf = [this](int id) {
        const qsizetype k = DescIDs.indexOf(QString::number(id));
        return k < 0 ? QString() : DescNames[k];
    };
    for (const store::GirdleGrade &grade : grades) {
        const QString from = nameOf(grade.fromId);
        const QString to = nameOf(grade.toId);
        // A range naming a description or a class that is gone is not shown.
        if (grade.classPosition < 0 || grade.classPosition >= classes.size() || from.isEmpty() || to.isEmpty())
            continue;
        msg->setTextMatrix(grade.classPosition + 1, 1, from);
        msg->setTextMatrix(grade.classPosition + 1, 2, to);
    }
}

QString FrmDescClass::GetDescID(const QString &description) const
{
    // A description may have no text; an empty cell still names none.
    if (description.isEmpty())
        return {};
    const qsizetype k = DescNames.indexOf(description);
    return k < 0 ? QString() : DescIDs[k];
}

void FrmDescClass::BtnSave_Click()
{
    if (Grade->isVisible())
        onLeaveCell(); // a choice not yet written into its cell is kept
    QVector<store::GirdleGrade> grades;
    for (int r = 1; r < msg->rows(); ++r) {
        const QString from = GetDescID(msg->textMatrix(r, 1));
        const QString to = GetDescID(msg->textMatrix(r, 2));
        if (!from.isEmpty() && !to.isEmpty())
            grades.append({from.toInt(), to.toInt(), r - 1});
    }
    const QString part = class_->currentText();
    const bool saved = definer::guardedSave(
        m_seen, [&](store::Fingerprint &seen) { girdleStore().saveGrades(scope(), part, grades, &seen); },
        [this] { class_Click(); });
    if (!saved)
        return;
    history->clear();
    controls::inform(QStringLiteral("Description saved sucessfully"));
}

void FrmDescClass::cpy_Click()
{
    CopyBuffer.clear();
    for (int r = 1; r < msg->rows(); ++r)
        CopyBuffer.append({msg->textMatrix(r, 1), msg->textMatrix(r, 2)});
}

void FrmDescClass::Pst_Click()
{
    if (CopyBuffer.isEmpty()) {
        controls::inform(QStringLiteral("Nothing to paste"));
        return;
    }
    QVector<controls::CellText> cells;
    for (int i = 0; i < CopyBuffer.size(); ++i)
        for (int c = 0; c < 2; ++c)
            cells.append({i + 1, c + 1, CopyBuffer[i][c]});
    m_cells->setCells(cells, QStringLiteral("paste"));
}

void FrmDescClass::placeGrade()
{
    const QPoint inGrid(controls::twips(msg->cellLeft()), controls::twips(msg->cellTop()));
    const QPoint topLeft = client->mapFromGlobal(msg->mapToGlobal(inGrid));
    // A drop-down list keeps its own height.
    Grade->setGeometry(topLeft.x(), topLeft.y(), controls::twips(msg->cellWidth()), Grade->height());
}

void FrmDescClass::tFlexFocus()
{
    if (msg->row() < msg->fixedRows() || msg->col() < msg->fixedCols())
        return;
    placeGrade();
    Grade->setCurrentIndex(Grade->findText(msg->textMatrix(msg->row(), msg->col())));
    Grade->show();
    Grade->raise();
    Grade->setFocus(Qt::OtherFocusReason);
}

QString FrmDescClass::pendingStep() const
{
    const bool chosen = !Grade->isHidden() && Grade->currentIndex() >= 0
        && Grade->currentText() != msg->textMatrix(msg->row(), msg->col());
    return chosen ? QStringLiteral("choosing %1 for %2").arg(Grade->currentText(), m_cells->cellName(msg->row(), msg->col()))
                  : QString();
}

void FrmDescClass::writeChoice()
{
    const QString what = pendingStep();
    if (!what.isEmpty())
        m_cells->setCells({{msg->row(), msg->col(), Grade->currentText()}}, what);
}

void FrmDescClass::onLeaveCell()
{
    if (Grade->currentIndex() >= 0) {
        writeChoice();
        Grade->setCurrentIndex(-1);
    }
    // Hidden until the next click places it, so that it never stands over a
    // cell other than the one it writes to.
    Grade->hide();
}

void FrmDescClass::Grade_KeyPress(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape)
        return;
    onLeaveCell();
}

bool FrmDescClass::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Grade && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            Grade_KeyPress(key);
            return true;
        }
    }
    return GirdleWindow::eventFilter(watched, event);
}

} // namespace girdle
