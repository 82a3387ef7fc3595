#include "girdle/FrmDescPara.h"

#include "controls/CellEditor.h"
#include "controls/EditHistory.h"
#include "controls/FlexGrid.h"
#include "controls/GraphicalButton.h"
#include "controls/Number.h"
#include "controls/GridEdits.h"
#include "controls/Prompt.h"
#include "controls/Twips.h"
#include "definer/Guard.h"
#include "definer/Styles.h"
#include "girdle/FrmDescClass.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>

namespace girdle {

namespace {

constexpr int kFirstLimitCol = 2;
constexpr int kLimitCount = 6;

struct Column {
    int width; // twips
    const char *header;
};
constexpr Column kColumns[] = {{500, ""},           {0, ""},           {1000, "Bazel min"},
                               {1000, "Bazel max"}, {1000, "Bone min"}, {1000, "Bone max"},
                               {1000, "Narrow  min"}, {1000, "Narrow max"}, {1500, "Description"}};
constexpr int kCols = int(std::size(kColumns));

} // namespace

FrmDescPara::FrmDescPara(store::ClassModule &module, QWidget *parent)
    : GirdleWindow(module, QStringLiteral("Description Parameter"), 8430, 4740, parent)
{
    Grades = menu->addAction(QStringLiteral("Grades"));
    Grades->setObjectName(QStringLiteral("Grades"));
    // After Grades, which keeps its place.
    MnuEdit = menu->addMenu(QStringLiteral("&Edit"));
    MnuEdit->setObjectName(QStringLiteral("MnuEdit"));
    MnuEdit->addAction(history->undoAction());
    MnuEdit->addAction(history->redoAction());
    LabList->setToolTip(QStringLiteral("Select Lab"));
    msg = addGrid(kCols, 120, 1080, 8175, 2655);
    BtnAdd = addButton(QStringLiteral("BtnAdd"), QStringLiteral("Add"), QStyle::SP_FileDialogNewFolder, 120, 3960, 555);
    BtnList = addButton(QStringLiteral("BtnList"), QStringLiteral("Delete"), QStyle::SP_DialogDiscardButton, 840,
                        3960, 555);
    BtnSave = addButton(QStringLiteral("BtnSave"), QStringLiteral("Save Data.."), QStyle::SP_DialogSaveButton,
                        7560, 3960, 555);
    BtnList->fitCaption(BtnSave->x() - 4);

    // The descriptions are free text of any length: no typing limit here.
    Txt = new QLineEdit(client);
    Txt->setObjectName(QStringLiteral("Txt"));
    definer::styles::styleCellEditor(Txt);
    Txt->setFocusPolicy(Qt::ClickFocus);
    controls::EditorPolicy policy;
    policy.firstRow = 1;
    policy.firstCol = kFirstLimitCol; // column 1 holds the hidden ID
    policy.freeTextCol = kDescriptionCol;
    policy.selectAllOnRefusal = true;
    m_cells = new controls::GridEdits(
        msg, history,
        [this](int row, int col) {
            return QStringLiteral("%1 / %2").arg(rowName(row), msg->textMatrix(0, col));
        },
        this);
    m_editor = new controls::CellEditor(m_cells, Txt, policy, this);
    history->watchTextBoxes(client);

    chainTabOrder({cShape, LabList, msg, BtnAdd, BtnList, BtnSave});

    connect(BtnAdd, &QAbstractButton::clicked, this, [this] { BtnAdd_Click(); });
    connect(BtnList, &QAbstractButton::clicked, this, [this] { BtnList_Click(); });
    connect(BtnSave, &QAbstractButton::clicked, this, [this] { BtnSave_Click(); });
    connect(Grades, &QAction::triggered, this, [this] { Grades_Click(); });

    Form_Load();
}

void FrmDescPara::Form_Load()
{
    openFirstShape();
}

void FrmDescPara::LabList_Click()
{
    m_editor->hideEditor();
    msg->clear();
    GetDescParameters();
    history->clear();
}

QString FrmDescPara::rowName(int row) const
{
    const QString description = msg->textMatrix(row, kDescriptionCol);
    return description.isEmpty() ? QStringLiteral("row %1").arg(row) : description;
}

void FrmDescPara::GetDescParameters()
{
    for (int c = 0; c < kCols; ++c) {
        msg->setColWidth(c, kColumns[c].width);
        msg->setTextMatrix(0, c, QString::fromLatin1(kColumns[c].header));
    }
    QVector<store::GirdleDescription> rows;
    definer::guarded([&] { rows = girdleStore().descriptions(scope(), &m_seen); });
    msg->setRows(rows.isEmpty() ? 3 : int(rows.size()) + 1);
    for (int i = 0; i < rows.size(); ++i) {
        const int r = i + 1;
        msg->setTextMatrix(r, 1, QString::number(rows[i].id));
        msg->setTextMatrix(r, kDescriptionCol, rows[i].text);
        for (int k = 0; k < kLimitCount && k < rows[i].limits.size(); ++k)
            msg->setTextMatrix(r, kFirstLimitCol + k, controls::numberText(rows[i].limits[k]));
    }
}

void FrmDescPara::BtnAdd_Click()
{
    m_cells->changeRows([this] { msg->addItem(QString(), msg->row() + 1); }, QStringLiteral("adding a row"));
}

void FrmDescPara::BtnList_Click()
{
    const int row = msg->row();
    if (row < msg->fixedRows() || row >= msg->rows())
        return; // no current row
    // Typing goes with the row: emptied as well as hidden first, the editor
    // never writes it into the row that moves up into this place.
    m_editor->hideEditor();
    // The grid keeps its last row: refused silently.
    m_cells->changeRows([this, row] { msg->removeItem(row); }, QStringLiteral("deleting %1").arg(rowName(row)));
}

std::optional<QVector<store::GirdleDescription>> FrmDescPara::rowsToSave() const
{
    QVector<store::GirdleDescription> rows;
    for (int r = 1; r < msg->rows(); ++r) {
        bool complete = true;
        for (int c = kFirstLimitCol; c < kFirstLimitCol + kLimitCount; ++c)
            complete = complete && !msg->textMatrix(r, c).isEmpty();
        if (!complete)
            continue; // a row missing a limit is not stored
        store::GirdleDescription row{r - 1, msg->textMatrix(r, kDescriptionCol), {}};
        for (int c = kFirstLimitCol; c < kFirstLimitCol + kLimitCount; ++c) {
            const QString text = msg->textMatrix(r, c);
            const std::optional<double> limit = controls::readNumber(text);
            if (!limit) {
                controls::inform(QStringLiteral("Row %1: \"%2\" under \"%3\" is not a number. Nothing was saved.")
                                     .arg(r)
                                     .arg(text, QString::fromLatin1(kColumns[c].header)));
                return std::nullopt;
            }
            row.limits.append(*limit);
        }
        rows.append(row);
    }
    return rows;
}

void FrmDescPara::BtnSave_Click()
{
    m_editor->commitPending();
    const auto rows = rowsToSave();
    if (!rows)
        return;
    const bool saved = definer::guardedSave(
        m_seen, [&](store::Fingerprint &seen) { girdleStore().saveDescriptions(scope(), *rows, &seen); },
        [this] { LabList_Click(); });
    if (!saved)
        return;
    history->clear();
    controls::inform(QStringLiteral("Description saved sucessfully"));
}

void FrmDescPara::Grades_Click()
{
    FrmDescClass window(m_module, this);
    controls::openModal(window);
}

} // namespace girdle
