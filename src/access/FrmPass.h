#pragma once

#include <QDialog>
#include <QPointer>

class QAction;
class QLineEdit;
class QPushButton;

// Unlocks the hidden Settings menu, and changes the password that does so.
class FrmPass : public QDialog {
    Q_OBJECT
public:
    // settingsMenu: the menuAction() of the Settings menu; shown on unlock.
    explicit FrmPass(QAction *settingsMenu, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void unlock();
    void changePassword();

    QPointer<QAction> m_settingsMenu;
    QString m_storedPassword; // plain form
    bool m_unreadable = false; // the stored value could not be unscrambled; not yet said
    // 0: unlock; 3: current, 1: new, 2: new again (for the change).
    QLineEdit *m_txt[4] = {};
    QPushButton *m_change = nullptr;
};
