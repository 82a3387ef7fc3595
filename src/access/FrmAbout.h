#pragma once

#include <QDate>
#include <QDialog>

// Credits and the version. Closes on Enter, Esc or a press on its background.
class FrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit FrmAbout(QDate today = QDate::currentDate(), QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
