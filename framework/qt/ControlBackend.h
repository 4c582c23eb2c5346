#pragma once

#include <QAbstractListModel>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTableView>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Controls.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace fw {

class ContentWidget;

struct RectControl::Backend {
    Backend(ContentWidget* content, QWidget* widget);
    virtual ~Backend();

    QPointer<ContentWidget> content;
    QPointer<QWidget> widget;
    std::string name;

    std::int32_t left = 0, top = 0, width = 80, height = 20;
    // The content size at which the position above was set; anchors move the
    // control by the difference to the current content size.
    QSize reference;
    bool lockLeft = false, lockTop = false, lockRight = false, lockBottom = false;
    bool enabled = true;
    bool visible = true;
    std::int32_t tabIndex = 0;
    std::string textFont = "System";
    std::int32_t textSize = 0;
    bool bold = false, italic = false, underline = false;
    std::string helpTag;

    QSize CurrentContentSize() const;
    // Places the widget for the content size `size` by the anchoring rule.
    void Place(QSize size);
    void Place() { Place(CurrentContentSize()); }
    // Takes the current content size as the new reference and places.
    void SetDesignGeometry();
    void ApplyFont();
};

struct ButtonBackend : RectControl::Backend {
    explicit ButtonBackend(ContentWidget* content);
    QPushButton* Button() const;

    std::string caption;
    bool isDefault = false;
    bool isCancel = false;
    std::function<void()> action;
};

// The rows of a list as bytes; they become text only when the view asks.
// The rows' bytes lie one after another in blocks of the model's own: a full
// tag index is tens of thousands of short rows, and an allocation of its own
// for each costs more than reading the row from the map.
//
// An appended row is in the model at once, and so in the list's RowCount and
// RowText; the view learns of it, together with every row appended since, the
// next time the event loop runs (a yield's turn included), which is also the
// first moment it could show it. Telling the view row by row costs more than
// reading a row from a map; the view only ever sees the rows announced.
class RowModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    std::size_t Rows() const { return rows_.size(); }
    std::string_view Row(std::size_t row) const { return rows_[row]; }
    void Append(std::string_view row);
    void Clear();
    void SetHeading(const QString& heading);
    // Tells the view of the rows appended since it last heard.
    void Announce();

    QString heading;

private:
    // Room for the next row's bytes; a row longer than a block gets a block
    // of its own size.
    char* Room(std::size_t size);

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockFree_ = 0;   // bytes left at the end of the last block
    char* blockEnd_ = nullptr;    // the end of the last block's used bytes
    std::vector<std::string_view> rows_;  // into blocks_
    std::size_t announced_ = 0;  // rows [0, announced_) are the view's
    bool announcing_ = false;    // an Announce is queued
};

// The list's view: a table of one column under a heading, drawn as a plain
// list. A table places its rows from the row count and one row height; a
// tree view would visit every row to lay the list out, which for a full tag
// index costs about as much as reading the index from the map.
class RowView : public QTableView {
public:
    explicit RowView(QWidget* parent);
    void setModel(QAbstractItemModel* model) override;

protected:
    void changeEvent(QEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void LayOutNow();
    // Every row is one line of text in the view's font, as high as the
    // style draws an item of text.
    void FitRowHeight();
};

struct ListBackend : RectControl::Backend {
    explicit ListBackend(ContentWidget* content);
    QTableView* View() const;
    void ApplyScrollbars();

    RowModel* model = nullptr;  // owned by the view
    std::string initialValue;
    bool hasHeading = false;
    std::int32_t columnCount = 1;
    bool scrollbarHorizontal = true;
    bool scrollbarVertical = true;
    bool autoHideScrollbars = true;
    std::int32_t selectionType = 0;
};

struct LabelBackend : RectControl::Backend {
    explicit LabelBackend(ContentWidget* content);
    QLabel* Label() const;
    void ApplyAlignment();

    std::string text;
    bool multiline = false;
    std::int32_t textAlign = 0;
    Color textColor{0, 0, 0};
};

struct FieldBackend : RectControl::Backend {
    explicit FieldBackend(ContentWidget* content);
    QLineEdit* Field() const;

    std::string text;  // UTF-8, kept in step with what the field shows
    std::int32_t limitText = 0;
    bool readOnly = false;
    bool password = false;
    bool border = true;
    std::int32_t alignment = 0;
    Color backColor{255, 255, 255};
    Color textColor{0, 0, 0};
};

}  // namespace fw
