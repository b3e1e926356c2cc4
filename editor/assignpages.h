#pragma once

// The two object assignment pages of the editor: system outputs per object and device and zones per object.
// Both are views over the editor's object table; every rule lives in TObjectTable, the pages only place
// controls, forward clicks and choices to it and show the result.

#include <QAbstractTableModel>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <vector>

#include "editor/boundpage.h"
#include "editor/objecttable.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace mirca {

// The rows of an object grid: one per object, in the table's current order, read live from the table.
class TObjectGridModel : public QAbstractTableModel {
public:
    // Roles the grid's delegate draws from.
    enum TRole {
        FaceRole = Qt::UserRole + 1,  // bool: the cell is drawn on the button-face colour
        ImageRole,                    // int: the grid image to draw instead of the text, -1 for none
        BlankRole,                    // bool: the cell is drawn empty
    };

    TObjectGridModel(int columns, QObject* parent);

    // Null, or a table that is not valid, shows the object numbers only.
    void SetTable(const TObjectTable* table);
    const TObjectTable* Table() const { return table_; }
    // Every cell again, after the table changed; keeps the current cell and the scroll position.
    void Refresh();
    // The object number of a row (from 0).
    std::uint32_t ObjectNumber(int row) const;
    // The text a cell shows (column 0 the object number).
    virtual QString CellText(int row, int column) const = 0;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    // The object of a row, or null when the table is not usable.
    const TObjectRecord* Object(int row) const;
    virtual bool Face(int row, int column) const = 0;
    virtual int Image(int row, int column) const = 0;
    virtual bool Blank(int row, int column) const = 0;

private:
    const TObjectTable* table_ = nullptr;
    int columns_;
};

// What both pages share: the grid over the table, the cell combo box, the button that clears the current
// row's object and the one that clears all objects after a question.
class TObjectGridPage : public TBoundPage {
public:
    ~TObjectGridPage() override;

    // Stores the table into the map once it holds an edit; never refuses.
    void Commit() override;

    QTableView* Grid() const { return grid_; }
    const TObjectGridModel& Model() const { return *model_; }
    QString CellText(int row, int column) const { return model_->CellText(row, column); }

protected:
    struct TNames {
        const char* grid;
        const char* combo;
        const char* deleteObject;
        const char* clearAll;
    };
    // The page's model is parented to it.
    TObjectGridPage(const TPageServices& services, QWidget* parent, TObjectGridModel* model,
                    const TNames& names);

    // There is a map and a valid table to edit.
    bool Editable() const;
    // Keeps the data and shows the table, or empty disabled controls when it is not usable.
    void Bind(const TPageData& data);
    // Applies the edit to the current row's object, then disables the delete button.
    void ClearCurrentObject(void (TObjectTable::*clear)(std::size_t));
    // Asks the catalogue question and applies the edit to every object on Yes.
    void ClearAllObjects(int question, void (TObjectTable::*clearAll)());
    // Esc in the cell combo box: puts the box away without a choice and eats the key.
    bool CancelsCombo(QObject* watched, QEvent* event);
    // The cell of a left button release on the grid, or an invalid index.
    QModelIndex ReleasedCell(QObject* watched, QEvent* event) const;

    TPageData data_;
    TObjectGridModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
    QComboBox* combo_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    // The object the combo box edits, fixed when it opened.
    std::uint32_t comboObject_ = 0;
};

class TAssignOutputsPage : public TObjectGridPage {
    Q_OBJECT
public:
    TAssignOutputsPage(const TPageServices& services, QWidget* parent);
    ~TAssignOutputsPage() override;

    void Fill(const TPageData& data) override;
    void Retranslate() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CellReleased(const QModelIndex& index);
    void OutputChosen(int item);
    void PlaceTitle();

    QLabel* title_ = nullptr;
    int comboSlot_ = 0;
};

class TAssignZonesPage : public TObjectGridPage {
    Q_OBJECT
public:
    TAssignZonesPage(const TPageServices& services, QWidget* parent);
    ~TAssignZonesPage() override;

    void Fill(const TPageData& data) override;
    void Retranslate() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CellReleased(const QModelIndex& index);
    void Hovered(const QModelIndex& index);
    void DeviceChosen(int item);
    void Sort(void (TObjectTable::*sort)());
    void PlaceHeaderLabels();

    QLabel* objNumLabel_ = nullptr;
    QLabel* incLabel_ = nullptr;
    QLabel* rpdNumLabel_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* infoCaption_ = nullptr;
    QLabel* infoLabel_ = nullptr;
    // The cell under the pointer when the info text was last computed; (-1, -1) for none.
    QPoint hoverCell_{-1, -1};
};

}  // namespace mirca
