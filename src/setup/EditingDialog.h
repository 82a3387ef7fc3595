#pragma once

#include <QDialog>
#include <QStringList>

namespace controls {
class ReportList;
}

namespace setup {

// A window that edits one list and stores it on request. Closing it (Esc or
// the close box) while the list differs from what was last loaded or stored
// asks whether to save: Yes saves and closes, No closes without saving,
// Cancel keeps the window open, as does a save that fails.
class EditingDialog : public QDialog {
    Q_OBJECT

public:
    using QDialog::QDialog;

    void reject() override;

protected:
    // The rows list shows now are what is stored.
    void markSaved(const controls::ReportList *list);
    bool hasUnsavedChanges() const;

    virtual QString savingQuestion() const = 0;
    // True when stored.
    virtual bool saveChanges() = 0;

private:
    static QStringList rowsOf(const controls::ReportList *list);

    const controls::ReportList *m_list = nullptr;
    QStringList m_saved;
};

} // namespace setup
