#pragma once

#include <QObject>

class QLineEdit;
class QListWidget;

namespace definer {

// The class names of a lab as a plain list: add, delete the selected,
// move the current one up or down. Touches neither the store nor the grid.
class ClassNameList : public QObject {
    Q_OBJECT

public:
    enum Button { Add = 0, Delete = 1, MoveUp = 2, MoveDown = 3 };

    ClassNameList(QListWidget *LCname, QLineEdit *TxtCName, QObject *parent = nullptr);

    void BtnList_Click(int index);

    static constexpr int kMaxNameLength = 25;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void add();
    void deleteSelected();
    void move(int step);

    QListWidget *m_list;
    QLineEdit *m_name;
};

} // namespace definer
