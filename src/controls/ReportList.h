#pragma once

#include <QTreeWidget>

namespace controls {

// A list in report view: items numbered from 1, each with a text and a
// sub-item 1, check boxes where asked, a selected item and a tag.
class ReportList : public QTreeWidget {
    Q_OBJECT

public:
    explicit ReportList(QWidget *parent = nullptr);

    // Column headers with their widths in twips.
    void setColumns(const QStringList &headers, const QList<int> &widths);
    void setCheckBoxes(bool on) { m_checkBoxes = on; }

    int count() const { return topLevelItemCount(); }
    // Adds an item at the end; returns its number.
    int addItem(const QString &text, const QString &subItem = QString());
    void removeItem(int number);

    QString text(int number) const;
    void setText(int number, const QString &text);
    QString subItem(int number) const;
    void setSubItem(int number, const QString &text);
    bool checked(int number) const;
    void setChecked(int number, bool on);

    // 0 when none is selected.
    int selectedNumber() const;
    void setSelectedNumber(int number);

    QString tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

signals:
    void itemDoubleClicked(int number);

private:
    QTreeWidgetItem *at(int number) const;

    bool m_checkBoxes = false;
    QString m_tag;
};

} // namespace controls
