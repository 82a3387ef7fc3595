#include "grading/FrmWhatChanges.h"

#include "controls/Prompt.h"
#include "rules/Csv.h"
#include "store/ClassModule.h"
#include "store/Error.h"
#include "store/WholeFile.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace grading {

namespace {

const QStringList kChangeHeaders = {QStringLiteral("RID"), QStringLiteral("Before"), QStringLiteral("After"),
                                    QStringLiteral("Decided by")};

QString counted(qint64 number, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(QLocale().toString(number), number == 1 ? one : many);
}

// Every field a parameter of either rule set is bound to, so that ticking
// a parameter needs no new reading.
QStringList fieldsOf(const rules::RuleSheet &a, const rules::RuleSheet &b)
{
    QStringList fields;
    for (const rules::RuleSheet *sheet : {&a, &b}) {
        for (const rules::RuleSheet::Row &row : sheet->rows) {
            if (!row.field.isEmpty() && !fields.contains(row.field))
                fields.append(row.field);
        }
    }
    return fields;
}

} // namespace

// The stones whose class changes, sortable by any column.
class ChangesModel final : public QAbstractTableModel {
public:
    struct Row {
        qint64 rid;
        QString before, after, decidedBy;
        int beforeRank, afterRank; // in class order, then outside, then not graded
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QVector<Row> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        if (m_column >= 0)
            sort(m_column, m_order);
    }
    const QVector<Row> &rows() const { return m_rows; }
    static QStringList texts(const Row &row) { return {QString::number(row.rid), row.before, row.after, row.decidedBy}; }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(kChangeHeaders.size()); }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const Row &row = m_rows[index.row()];
        return index.column() == 0 ? QVariant(row.rid) : QVariant(texts(row).value(index.column()));
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return QAbstractTableModel::headerData(section, orientation, role);
        return kChangeHeaders.value(section);
    }

    void sort(int column, Qt::SortOrder order) override
    {
        m_column = column;
        m_order = order;
        emit layoutAboutToBeChanged();
        auto less = [column](const Row &a, const Row &b) {
            switch (column) {
            case 0: return a.rid < b.rid;
            case 1: return a.beforeRank < b.beforeRank;
            case 2: return a.afterRank < b.afterRank;
            default: return a.decidedBy < b.decidedBy;
            }
        };
        std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Row &a, const Row &b) {
            return order == Qt::AscendingOrder ? less(a, b) : less(b, a);
        });
        emit layoutChanged();
    }

private:
    QVector<Row> m_rows;
    int m_column = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

FrmWhatChanges::FrmWhatChanges(store::ClassModule &module, std::function<rules::RuleSheet()> screenRules,
                               std::function<QString()> shapeCode, QWidget *parent)
    : QDialog(parent), m_module(module), m_screenRules(std::move(screenRules)), m_shapeCode(std::move(shapeCode)),
      m_reading(module.dataDir())
{
    setWindowTitle(QStringLiteral("What would change"));
    auto *layout = new QVBoxLayout(this);
    LblRules = new QLabel(this);
    LblRules->setObjectName(QStringLiteral("LblRules"));
    LblRules->setWordWrap(true);
    layout->addWidget(LblRules);

    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    layout->addWidget(Progress);

    Counts = new QTableWidget(0, 4, this);
    Counts->setObjectName(QStringLiteral("Counts"));
    Counts->setHorizontalHeaderLabels({QStringLiteral("Class"), QStringLiteral("Before"), QStringLiteral("After"),
                                       QStringLiteral("Change")});
    Counts->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Counts->verticalHeader()->hide();
    Counts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Counts->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Counts->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(Counts);

    LblChanges = new QLabel(this);
    LblChanges->setObjectName(QStringLiteral("LblChanges"));
    layout->addWidget(LblChanges);
    m_model = new ChangesModel(this);
    Changes = new QTableView(this);
    Changes->setObjectName(QStringLiteral("Changes"));
    Changes->setModel(m_model);
    Changes->setSortingEnabled(true);
    Changes->sortByColumn(0, Qt::AscendingOrder);
    Changes->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Changes->verticalHeader()->hide();
    Changes->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Changes->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(Changes, 1);

    auto *buttons = new QHBoxLayout;
    BtnRead = new QPushButton(this);
    BtnRead->setObjectName(QStringLiteral("BtnRead"));
    BtnRead->setAutoDefault(false);
    buttons->addWidget(BtnRead);
    buttons->addStretch();
    BtnExport = new QPushButton(QStringLiteral("Export..."), this);
    BtnExport->setObjectName(QStringLiteral("BtnExport"));
    BtnExport->setAutoDefault(false);
    buttons->addWidget(BtnExport);
    layout->addLayout(buttons);
    resize(560, 600);

    connect(BtnRead, &QPushButton::clicked, this, &FrmWhatChanges::BtnRead_Click);
    connect(BtnExport, &QPushButton::clicked, this, &FrmWhatChanges::BtnExport_Click);
    connect(&m_reading, &StoneReading::progressed, this, [this](qint64 read, qint64 total) {
        Progress->setRange(0, int(std::min<qint64>(total, INT_MAX)));
        Progress->setValue(int(std::min(read, total)));
    });
    connect(&m_reading, &StoneReading::finished, this, &FrmWhatChanges::readingFinished);
    connect(&m_reading, &StoneReading::failed, this, &FrmWhatChanges::readingFailed);
    setReading(false);
}

FrmWhatChanges::~FrmWhatChanges() = default;

void FrmWhatChanges::showEvent(QShowEvent *event)
{
    // Beside the main window, so the grid being edited stays in view.
    if (!m_placed && parentWidget()) {
        m_placed = true;
        const QRect screen = parentWidget()->screen()->availableGeometry();
        const QPoint beside = parentWidget()->frameGeometry().topRight() + QPoint(8, 0);
        move(std::max(screen.left(), std::min(beside.x(), screen.right() - frameGeometry().width())),
             std::max(screen.top(), std::min(beside.y(), screen.bottom() - frameGeometry().height())));
    }
    // Opened again: the office may have graded stones since.
    m_loadedKey = {};
    m_stones.reset();
    QDialog::showEvent(event);
    refresh();
}

void FrmWhatChanges::hideEvent(QHideEvent *event)
{
    m_reading.cancel();
    setReading(false);
    QDialog::hideEvent(event);
}

void FrmWhatChanges::setReading(bool reading)
{
    Progress->setVisible(reading);
    if (reading)
        Progress->setRange(0, 0); // busy until the rows are counted
    BtnRead->setText(reading ? QStringLiteral("Cancel") : QStringLiteral("Read the stones again"));
}

void FrmWhatChanges::showNothing(const QString &why)
{
    m_comparison = {};
    m_model->setRows({});
    Counts->setRowCount(0);
    LblChanges->clear();
    LblRules->setText(why);
    BtnExport->setEnabled(false);
}

void FrmWhatChanges::refresh()
{
    if (!isVisible())
        return;
    m_screen = m_screenRules();
    if (m_screen.lab.isEmpty()) {
        m_reading.cancel();
        setReading(false);
        showNothing(QStringLiteral("%1 has no %2 lab: there are no rules to grade by.").arg(m_screen.shape, m_screen.type));
        return;
    }
    try {
        m_stored = rules::storedRuleSheet(m_module.mainDb(), m_screen.type, m_screen.shape, m_screen.lab);
    } catch (const store::Error &error) {
        showNothing(error.message());
        return;
    }
    const StoneKey key{m_shapeCode(), fieldsOf(m_stored, m_screen)};
    if (m_stones && m_loadedKey.covers(key)) {
        regrade();
        return;
    }
    if (m_reading.running() && m_readingKey.covers(key))
        return;
    showNothing(QStringLiteral("Reading the stones of %1...").arg(m_screen.shape));
    setReading(true);
    m_readingKey = key;
    m_reading.start(key);
}

void FrmWhatChanges::readingFinished(const StoneKey &key, std::shared_ptr<const store::Stones> stones)
{
    setReading(false);
    m_loadedKey = key;
    m_stones = std::move(stones);
    refresh(); // the rules may have moved on meanwhile
}

void FrmWhatChanges::readingFailed(const QString &message)
{
    setReading(false);
    showNothing(QStringLiteral("The stones cannot be read: %1").arg(message));
}

void FrmWhatChanges::BtnRead_Click()
{
    if (m_reading.running()) {
        m_reading.cancel();
        setReading(false);
        showNothing(QStringLiteral("Reading was cancelled; nothing is graded."));
        return;
    }
    m_loadedKey = {};
    m_stones.reset();
    refresh();
}

void FrmWhatChanges::regrade()
{
    const store::Stones &stones = *m_stones;
    const QString scope = QStringLiteral("%1, %2, %3").arg(m_screen.shape, m_screen.type, m_screen.lab);
    if (stones.tables.isEmpty()) {
        showNothing(QStringLiteral("%1: no report table holds a field of its parameters, so there are no stones to grade.")
                        .arg(scope));
        return;
    }
    if (stones.count() == 0) {
        showNothing((stones.tables.size() == 1 ? QStringLiteral("%1: the report table %2 holds no stones.")
                                                : QStringLiteral("%1: the report tables %2 hold no stones."))
                        .arg(scope, stones.tables.join(QStringLiteral(", "))));
        return;
    }
    const rules::Grader before(m_stored, rules::Grader::columnsOf(m_stored, stones.fields));
    const rules::Grader after(m_screen, rules::Grader::columnsOf(m_screen, stones.fields));
    m_comparison = rules::compareGrades(stones, before, after);
    QString read = QStringLiteral("%1: %2 in %3, graded by the stored rules (before) and by the rules on screen (after).")
                       .arg(scope, counted(stones.count(), QStringLiteral("stone"), QStringLiteral("stones")),
                            stones.tables.join(QStringLiteral(", ")));
    if (stones.withoutNumber > 0)
        read += QStringLiteral(" %1 left out: no report number.").arg(counted(stones.withoutNumber, QStringLiteral("row"), QStringLiteral("rows")));
    LblRules->setText(read);
    showCounts();
    QVector<ChangesModel::Row> rows;
    rows.reserve(m_comparison.changes.size());
    for (const rules::Comparison::Change &change : m_comparison.changes)
        rows.append({change.rid, before.className(change.before), after.className(change.after),
                     after.parameterName(change.after), change.before.badness(), change.after.badness()});
    m_model->setRows(std::move(rows));
    LblChanges->setText(m_comparison.changes.isEmpty()
                            ? QStringLiteral("No stone would change class.")
                            : QStringLiteral("%1 would change class:")
                                  .arg(counted(m_comparison.changes.size(), QStringLiteral("stone"), QStringLiteral("stones"))));
    BtnExport->setEnabled(!m_comparison.changes.isEmpty());
}

void FrmWhatChanges::showCounts()
{
    Counts->setRowCount(int(m_comparison.counts.size()));
    // Every class in view at once: there are seldom more than a dozen.
    Counts->setFixedHeight(Counts->horizontalHeader()->sizeHint().height() + 2 * Counts->frameWidth()
                           + Counts->verticalHeader()->defaultSectionSize() * int(m_comparison.counts.size()));
    for (int r = 0; r < m_comparison.counts.size(); ++r) {
        const rules::Comparison::Count &count = m_comparison.counts[r];
        const qint64 change = count.after - count.before;
        const QStringList texts{count.name, QLocale().toString(count.before), QLocale().toString(count.after),
                                change == 0 ? QString() : (change > 0 ? QStringLiteral("+") : QString()) + QLocale().toString(change)};
        for (int c = 0; c < texts.size(); ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            Counts->setItem(r, c, item);
        }
    }
}

void FrmWhatChanges::BtnExport_Click()
{
    QString path = controls::chooseFile(controls::FileChoice::Save, QStringLiteral("Export"), QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    QByteArray csv = "\xEF\xBB\xBF" + rules::csvRecord(kChangeHeaders);
    for (const ChangesModel::Row &row : m_model->rows())
        csv += rules::csvRecord(ChangesModel::texts(row));
    try {
        store::writeWholeFile(path, csv, QDir::toNativeSeparators(path));
    } catch (const store::Error &error) {
        controls::inform(error.message());
        return;
    }
    controls::inform(QStringLiteral("The list was exported to %1.").arg(QDir::toNativeSeparators(path)));
}

} // namespace grading
