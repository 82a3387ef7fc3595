#pragma once

#include "grading/StoneReading.h"
#include "rules/Grading.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTableWidget;

namespace store {
class ClassModule;
}

namespace grading {

class ChangesModel;

// What would change: every stone of the shape on screen that the office
// graded, graded by the stored rules of the lab and by the rules on screen
// (edits not yet saved included); the stones per class before and after,
// and the stones whose class changes. The stones are read once per shape,
// off the window's thread; call refresh() whenever the rules on screen
// change.
class FrmWhatChanges : public QDialog {
    Q_OBJECT

public:
    FrmWhatChanges(store::ClassModule &module, std::function<rules::RuleSheet()> screenRules,
                   std::function<QString()> shapeCode, QWidget *parent = nullptr);
    ~FrmWhatChanges() override;

    void refresh();
    // Cancel while reading; else reads the stones again.
    void BtnRead_Click();
    // The list of changes as shown, to a CSV file.
    void BtnExport_Click();

    const rules::Comparison &comparison() const { return m_comparison; }

    QLabel *LblRules;      // whose rules, how many stones
    QProgressBar *Progress;
    QPushButton *BtnRead;
    QTableWidget *Counts;  // class, before, after, change
    QLabel *LblChanges;
    QTableView *Changes;   // RID, before, after, decided by
    QPushButton *BtnExport;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void readingFinished(const StoneKey &key, std::shared_ptr<const store::Stones> stones);
    void readingFailed(const QString &message);
    void setReading(bool reading);
    void regrade();
    void showCounts();
    // Says what the window shows no grades for, and empties it.
    void showNothing(const QString &why);

    store::ClassModule &m_module;
    std::function<rules::RuleSheet()> m_screenRules;
    std::function<QString()> m_shapeCode;
    StoneReading m_reading;
    StoneKey m_loadedKey;
    StoneKey m_readingKey;
    std::shared_ptr<const store::Stones> m_stones;
    rules::RuleSheet m_stored, m_screen;
    rules::Comparison m_comparison;
    ChangesModel *m_model;
    bool m_placed = false;
};

} // namespace grading
