#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

namespace controls {
class EditHistory;
class ReportList;
}

namespace setup {

// A window that edits one list and stores it on request. Closing it (Esc or
// the close box) while the list differs from what was last loaded or stored
// asks whether to save: Yes saves and closes, No closes without saving,
// Cancel keeps the window open, as does a save that fails. Each change of
// the list is a step that Ctrl+Z undoes and Ctrl+Y redoes.
class EditingDialog : public QDialog {
    Q_OBJECT

public:
    explicit EditingDialog(QWidget *parent = nullptr);

    void reject() override;

    controls::EditHistory *history() const { return m_history; }

protected:
    // The rows list shows now are what is stored; the history starts anew.
    void markSaved(const controls::ReportList *list);
    bool hasUnsavedChanges() const;
    // Runs change() on list and keeps it as one step named what.
    void recordListChange(controls::ReportList *list, const std::function<void()> &change, const QString &what);

    virtual QString savingQuestion() const = 0;
    // True when stored.
    virtual bool saveChanges() = 0;

private:
    static QStringList rowsOf(const controls::ReportList *list);

    const controls::ReportList *m_list = nullptr;
    QStringList m_saved;
    controls::EditHistory *m_history;
};

} // namespace setup
