#include "framework/Controls.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string_view>

#include "framework/Runtime.h"
#include "framework/Window.h"
#include "framework/qt/ControlBackend.h"
#include "framework/qt/Internal.h"
#include "framework/qt/WindowBackend.h"

namespace fw {
namespace {

ContentWidget* ContentOf(Window& owner) { return owner.GetBackend().Content(); }

QColor ToQColor(Color color) { return {color.Red, color.Green, color.Blue}; }

void SetTextColor(QWidget* widget, QPalette::ColorRole role, Color color) {
    QPalette palette = widget->palette();
    palette.setColor(role, ToQColor(color));
    widget->setPalette(palette);
}

// A carriage return starts a new line, as does a CR LF pair or a lone LF.
QString WithLineBreaks(const std::string& bytes) {
    QString text = detail::FromBytes(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

const PropertyTable<RectControl>& RectControlProperties() {
    static const PropertyTable<RectControl> table = [] {
        PropertyTable<RectControl> t;
        t.Integer("Left", &RectControl::SetLeft)
            .Integer("Top", &RectControl::SetTop)
            .Integer("Width", &RectControl::SetWidth)
            .Integer("Height", &RectControl::SetHeight)
            .Boolean("LockLeft", &RectControl::SetLockLeft)
            .Boolean("LockTop", &RectControl::SetLockTop)
            .Boolean("LockRight", &RectControl::SetLockRight)
            .Boolean("LockBottom", &RectControl::SetLockBottom)
            .Boolean("Enabled", &RectControl::SetEnabled)
            .Boolean("Visible", &RectControl::SetVisible)
            .Integer("TabIndex", &RectControl::SetTabIndex)
            .Inert("TabPanelIndex", PropertyType::Integer)
            .Inert("Index", PropertyType::Integer)
            .String("HelpTag", &RectControl::SetHelpTag)
            .Inert("AutoDeactivate", PropertyType::Boolean)
            .String("TextFont", &RectControl::SetTextFont)
            .Integer("TextSize", &RectControl::SetTextSize)
            .Boolean("Bold", &RectControl::SetBold)
            .Boolean("Italic", &RectControl::SetItalic)
            .Boolean("Underline", &RectControl::SetUnderline)
            .Inert("InitialParent", PropertyType::String)
            .Inert("DataField", PropertyType::String)
            .Inert("DataSource", PropertyType::String);
        return t;
    }();
    return table;
}

const PropertyTable<PushButton>& PushButtonProperties() {
    static const PropertyTable<PushButton> table = [] {
        PropertyTable<PushButton> t(RectControlProperties());
        t.String("Caption", &PushButton::SetCaption)
            .Boolean("Default", &PushButton::SetDefault)
            .Boolean("Cancel", &PushButton::SetCancel);
        return t;
    }();
    return table;
}

const PropertyTable<Listbox>& ListboxProperties() {
    static const PropertyTable<Listbox> table = [] {
        PropertyTable<Listbox> t(RectControlProperties());
        t.String("InitialValue", &Listbox::SetInitialValue)
            .Boolean("HasHeading", &Listbox::SetHasHeading)
            .Integer("ColumnCount", &Listbox::SetColumnCount)
            .Inert("ColumnWidths", PropertyType::String)
            .Inert("UseFocusRing", PropertyType::Boolean)
            .Inert("HeadingIndex", PropertyType::Integer)
            .Boolean("ScrollbarHorizontal", &Listbox::SetScrollbarHorizontal)
            .Boolean("ScrollBarVertical", &Listbox::SetScrollBarVertical)
            .Inert("GridLinesHorizontal", PropertyType::Integer)
            .Inert("GridLinesVertical", PropertyType::Integer)
            .Inert("DefaultRowHeight", PropertyType::Integer)
            .Inert("_ScrollWidth", PropertyType::Integer)
            .Inert("_ScrollOffset", PropertyType::Integer)
            .Inert("Hierarchical", PropertyType::Boolean)
            .Inert("EnableDrag", PropertyType::Boolean)
            .Inert("EnableDragReorder", PropertyType::Boolean)
            .Inert("RequiresSelection", PropertyType::Boolean)
            .Integer("SelectionType", &Listbox::SetSelectionType)
            .Inert("ColumnsResizable", PropertyType::Boolean)
            .Boolean("AutoHideScrollbars", &Listbox::SetAutoHideScrollbars);
        return t;
    }();
    return table;
}

const PropertyTable<StaticText>& StaticTextProperties() {
    static const PropertyTable<StaticText> table = [] {
        PropertyTable<StaticText> t(RectControlProperties());
        t.String("Text", &StaticText::SetText)
            .Boolean("Multiline", &StaticText::SetMultiline)
            .Integer("TextAlign", &StaticText::SetTextAlign)
            .ColorValue("TextColor", &StaticText::SetTextColor);
        return t;
    }();
    return table;
}

const PropertyTable<EditField>& EditFieldProperties() {
    static const PropertyTable<EditField> table = [] {
        PropertyTable<EditField> t(RectControlProperties());
        t.String("Text", &EditField::SetText)
            .Inert("Multiline", PropertyType::Boolean)
            .Integer("LimitText", &EditField::SetLimitText)
            .Boolean("ReadOnly", &EditField::SetReadOnly)
            .Boolean("Password", &EditField::SetPassword)
            .Inert("Styled", PropertyType::Boolean)
            .Boolean("Border", &EditField::SetBorder)
            .Inert("AcceptTabs", PropertyType::Boolean)
            .Integer("Alignment", &EditField::SetAlignment)
            .Inert("Mask", PropertyType::String)
            .Inert("Format", PropertyType::String)
            .Inert("ScrollbarVertical", PropertyType::Boolean)
            .Inert("ScrollbarHorizontal", PropertyType::Boolean)
            .Inert("UseFocusRing", PropertyType::Boolean)
            .ColorValue("BackColor", &EditField::SetBackColor)
            .ColorValue("TextColor", &EditField::SetTextColor);
        return t;
    }();
    return table;
}

}  // namespace


RectControl::Backend::Backend(ContentWidget* area, QWidget* control) : content(area), widget(control) {
    if (area) reference = area->logicalSize;
}

RectControl::Backend::~Backend() {
    // The widget may be in the middle of delivering one of its own events.
    if (widget && QCoreApplication::instance()) {
        widget->hide();
        widget->deleteLater();
    }
}

QSize RectControl::Backend::CurrentContentSize() const { return content ? content->logicalSize : reference; }

void RectControl::Backend::Place(QSize size) {
    if (!widget) return;
    const int dx = size.width() - reference.width();
    const int dy = size.height() - reference.height();
    int x = left, y = top, w = width, h = height;
    if (lockRight && lockLeft)
        w += dx;
    else if (lockRight)
        x += dx;
    if (lockBottom && lockTop)
        h += dy;
    else if (lockBottom)
        y += dy;
    widget->setGeometry(x, y, std::max(w, 0), std::max(h, 0));
}

void RectControl::Backend::SetDesignGeometry() {
    reference = CurrentContentSize();
    Place(reference);
}

void RectControl::Backend::ApplyFont() {
    if (!widget) return;
    QFont font = QApplication::font(widget);
    if (!textFont.empty() && textFont != "System") font.setFamily(detail::FromUtf8(textFont));
    if (textSize > 0) font.setPointSize(textSize);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    widget->setFont(font);
}

ButtonBackend::ButtonBackend(ContentWidget* area) : Backend(area, new QPushButton(area)) {
    Button()->setAutoDefault(false);
}

QPushButton* ButtonBackend::Button() const { return qobject_cast<QPushButton*>(widget.data()); }

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(announced_);
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || static_cast<std::size_t>(index.row()) >= announced_)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
        return detail::FromBytes(Row(static_cast<std::size_t>(index.row())));
    return {};
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) return heading;
    return {};
}

namespace {
// Blocks stay below the size at which the allocator maps memory afresh, so a
// list filled again reuses what the last one freed.
constexpr std::size_t RowBlockSize = 64 * 1024;
}  // namespace

char* RowModel::Room(std::size_t size) {
    if (size > blockFree_) {
        const std::size_t blockSize = std::max(size, RowBlockSize);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
        blockEnd_ = blocks_.back().get();
        blockFree_ = blockSize;
    }
    char* room = blockEnd_;
    blockEnd_ += size;
    blockFree_ -= size;
    return room;
}

void RowModel::Append(std::string_view row) {
    char* bytes = Room(row.size());
    if (!row.empty()) std::memcpy(bytes, row.data(), row.size());
    rows_.emplace_back(bytes, row.size());
    if (announcing_) return;
    announcing_ = true;
    QMetaObject::invokeMethod(this, &RowModel::Announce, Qt::QueuedConnection);
}

void RowModel::Announce() {
    announcing_ = false;
    if (announced_ >= Rows()) return;
    beginInsertRows(QModelIndex(), static_cast<int>(announced_), static_cast<int>(Rows() - 1));
    announced_ = Rows();
    endInsertRows();
}

void RowModel::Clear() {
    beginResetModel();
    std::vector<std::string_view>().swap(rows_);
    std::vector<std::unique_ptr<char[]>>().swap(blocks_);
    blockFree_ = 0;
    blockEnd_ = nullptr;
    announced_ = 0;
    endResetModel();
}

void RowModel::SetHeading(const QString& text) {
    heading = text;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

RowView::RowView(QWidget* parent) : QTableView(parent) {
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Tab leaves the list, as it leaves any other list, instead of moving
    // from row to row.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    FitRowHeight();

    QHeaderView* heading = horizontalHeader();
    heading->setStretchLastSection(true);
    heading->setSectionsMovable(false);
    heading->setSectionsClickable(false);
    heading->setHighlightSections(false);
    heading->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    heading->hide();
    // The table's own handler repaints a resized column on a later turn of
    // the event loop. The one column resizes whenever the vertical scroll
    // bar comes or goes, just before the list is painted anyway, so the
    // list would be painted twice; repainting at once folds the two.
    disconnect(heading, SIGNAL(sectionResized(int, int, int)), this, SLOT(columnResized(int, int, int)));
    connect(heading, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
}

void RowView::setModel(QAbstractItemModel* model) {
    if (QAbstractItemModel* old = this->model()) {
        disconnect(old, &QAbstractItemModel::rowsInserted, this, &RowView::LayOutNow);
        disconnect(old, &QAbstractItemModel::modelReset, this, &RowView::LayOutNow);
    }
    QTableView::setModel(model);
    if (!model) return;
    connect(model, &QAbstractItemModel::rowsInserted, this, &RowView::LayOutNow);
    connect(model, &QAbstractItemModel::modelReset, this, &RowView::LayOutNow);
}

// Left to itself the view lays new rows out inside its next paint. A scroll
// bar that the rows bring or take away then comes on a later turn, narrows
// the view and has the whole list painted again. The scroll area shows and
// hides its bars in a queued call, which is delivered here as well, so the
// paint that follows is the only one. After the list is emptied, the row
// header recounts its rows during the first layout and asks for another.
// A hidden list is laid out when it is shown.
void RowView::LayOutNow() {
    if (!isVisible()) return;
    executeDelayedItemsLayout();
    executeDelayedItemsLayout();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void RowView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) FitRowHeight();
}

// Home and End go to the first and the last row, as in any list; in a table
// they go to the first and the last column, of which this one has one.
QModelIndex RowView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(action, modifiers);
}

void RowView::FitRowHeight() {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Xg");
    const QSize size = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
    verticalHeader()->setDefaultSectionSize(std::max(size.height(), 1));
}

ListBackend::ListBackend(ContentWidget* area) : Backend(area, new RowView(area)) {
    QTableView* view = View();
    model = new RowModel(view);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    ApplyScrollbars();
}

QTableView* ListBackend::View() const { return qobject_cast<QTableView*>(widget.data()); }

void ListBackend::ApplyScrollbars() {
    QTableView* view = View();
    if (!view) return;
    auto policy = [this](bool on) {
        if (!on) return Qt::ScrollBarAlwaysOff;
        return autoHideScrollbars ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn;
    };
    view->setHorizontalScrollBarPolicy(policy(scrollbarHorizontal));
    view->setVerticalScrollBarPolicy(policy(scrollbarVertical));
}

LabelBackend::LabelBackend(ContentWidget* area) : Backend(area, new QLabel(area)) {
    // Plain text, so that a map's bytes are never read as markup.
    Label()->setTextFormat(Qt::PlainText);
    ApplyAlignment();
}

QLabel* LabelBackend::Label() const { return qobject_cast<QLabel*>(widget.data()); }

void LabelBackend::ApplyAlignment() {
    QLabel* label = Label();
    if (!label) return;
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (textAlign == 1) horizontal = Qt::AlignHCenter;
    if (textAlign == 2) horizontal = Qt::AlignRight;
    label->setAlignment(horizontal | Qt::AlignTop);
}

FieldBackend::FieldBackend(ContentWidget* area) : Backend(area, new QLineEdit(area)) {
    QObject::connect(Field(), &QLineEdit::textChanged, Field(),
                     [this](const QString& shown) { text = detail::ToUtf8(shown); });
}

QLineEdit* FieldBackend::Field() const { return qobject_cast<QLineEdit*>(widget.data()); }


RectControl::RectControl(Window& owner, std::unique_ptr<Backend> backend) : backend_(std::move(backend)) {
    (void)owner;
    backend_->Place();
    backend_->widget->setVisible(true);
}

RectControl::~RectControl() = default;

const std::string& RectControl::Name() const { return backend_->name; }

std::int32_t RectControl::Left() const { return backend_->left; }
std::int32_t RectControl::Top() const { return backend_->top; }
std::int32_t RectControl::Width() const { return backend_->width; }
std::int32_t RectControl::Height() const { return backend_->height; }

void RectControl::SetLeft(std::int32_t left) {
    backend_->left = left;
    backend_->SetDesignGeometry();
}
void RectControl::SetTop(std::int32_t top) {
    backend_->top = top;
    backend_->SetDesignGeometry();
}
void RectControl::SetWidth(std::int32_t width) {
    backend_->width = width;
    backend_->SetDesignGeometry();
}
void RectControl::SetHeight(std::int32_t height) {
    backend_->height = height;
    backend_->SetDesignGeometry();
}

bool RectControl::LockLeft() const { return backend_->lockLeft; }
void RectControl::SetLockLeft(bool lock) { backend_->lockLeft = lock; }
bool RectControl::LockTop() const { return backend_->lockTop; }
void RectControl::SetLockTop(bool lock) { backend_->lockTop = lock; }
bool RectControl::LockRight() const { return backend_->lockRight; }
void RectControl::SetLockRight(bool lock) { backend_->lockRight = lock; }
bool RectControl::LockBottom() const { return backend_->lockBottom; }
void RectControl::SetLockBottom(bool lock) { backend_->lockBottom = lock; }

bool RectControl::Enabled() const { return backend_->enabled; }
void RectControl::SetEnabled(bool enabled) {
    backend_->enabled = enabled;
    if (backend_->widget) backend_->widget->setEnabled(enabled);
}

bool RectControl::Visible() const { return backend_->visible; }
void RectControl::SetVisible(bool visible) {
    backend_->visible = visible;
    if (backend_->widget) backend_->widget->setVisible(visible);
}

std::int32_t RectControl::TabIndex() const { return backend_->tabIndex; }
void RectControl::SetTabIndex(std::int32_t index) {
    backend_->tabIndex = index;
    ContentWidget* content = backend_->content;
    if (content && content->backend && content->backend->constructed) content->backend->ApplyTabOrder();
}

const std::string& RectControl::TextFont() const { return backend_->textFont; }
void RectControl::SetTextFont(const std::string& font) {
    backend_->textFont = font;
    backend_->ApplyFont();
}
std::int32_t RectControl::TextSize() const { return backend_->textSize; }
void RectControl::SetTextSize(std::int32_t size) {
    backend_->textSize = size;
    backend_->ApplyFont();
}
bool RectControl::Bold() const { return backend_->bold; }
void RectControl::SetBold(bool bold) {
    backend_->bold = bold;
    backend_->ApplyFont();
}
bool RectControl::Italic() const { return backend_->italic; }
void RectControl::SetItalic(bool italic) {
    backend_->italic = italic;
    backend_->ApplyFont();
}
bool RectControl::Underline() const { return backend_->underline; }
void RectControl::SetUnderline(bool underline) {
    backend_->underline = underline;
    backend_->ApplyFont();
}

const std::string& RectControl::HelpTag() const { return backend_->helpTag; }
void RectControl::SetHelpTag(const std::string& tag) {
    backend_->helpTag = tag;
    if (backend_->widget) backend_->widget->setToolTip(detail::FromUtf8(tag));
}

std::optional<PropertyType> RectControl::DeclaredType(std::string_view name) const {
    return RectControlProperties().TypeOf(name);
}
void RectControl::SetProperty(std::string_view name, const PropertyValue& value) {
    RectControlProperties().Set(*this, name, value);
}


namespace {
ButtonBackend& ButtonOf(const RectControl& control) { return static_cast<ButtonBackend&>(control.GetBackend()); }
}  // namespace

PushButton::PushButton(Window& owner) : RectControl(owner, std::make_unique<ButtonBackend>(ContentOf(owner))) {
    ButtonBackend& b = ButtonOf(*this);
    // The handler is looked up at each press, so BindAction may come later.
    QObject::connect(b.Button(), &QPushButton::clicked, b.Button(), [&b] {
        if (!b.action) return;
        auto action = b.action;
        Window* window = b.content && b.content->backend ? &b.content->backend->owner : nullptr;
        detail::DispatchEventIn(window, action);
    });
}

const std::string& PushButton::Caption() const { return ButtonOf(*this).caption; }
void PushButton::SetCaption(const std::string& caption) {
    ButtonBackend& b = ButtonOf(*this);
    b.caption = caption;
    if (QPushButton* button = b.Button()) button->setText(detail::FromUtf8(caption));
}

bool PushButton::Default() const { return ButtonOf(*this).isDefault; }
void PushButton::SetDefault(bool isDefault) {
    ButtonBackend& b = ButtonOf(*this);
    b.isDefault = isDefault;
    if (QPushButton* button = b.Button()) button->setDefault(isDefault);
}

bool PushButton::Cancel() const { return ButtonOf(*this).isCancel; }
void PushButton::SetCancel(bool isCancel) { ButtonOf(*this).isCancel = isCancel; }

void PushButton::BindAction(std::function<void()> handler) { ButtonOf(*this).action = std::move(handler); }

void PushButton::Push() {
    QPushButton* button = ButtonOf(*this).Button();
    if (button && button->isEnabled()) button->click();
}

std::optional<PropertyType> PushButton::DeclaredType(std::string_view name) const {
    return PushButtonProperties().TypeOf(name);
}
void PushButton::SetProperty(std::string_view name, const PropertyValue& value) {
    PushButtonProperties().Set(*this, name, value);
}


namespace {
ListBackend& ListOf(const RectControl& control) { return static_cast<ListBackend&>(control.GetBackend()); }
}  // namespace

Listbox::Listbox(Window& owner) : RectControl(owner, std::make_unique<ListBackend>(ContentOf(owner))) {}

void Listbox::AddRow(const std::string& text) {
    // The widget is always the list's view, and the model lives as long.
    ListBackend& b = ListOf(*this);
    if (b.widget) b.model->Append(text);
}

void Listbox::DeleteAllRows() {
    if (ListOf(*this).View()) ListOf(*this).model->Clear();
}

std::int32_t Listbox::RowCount() const {
    const ListBackend& b = ListOf(*this);
    if (!b.View()) return 0;
    return static_cast<std::int32_t>(std::min<std::size_t>(b.model->Rows(), INT32_MAX));
}

std::string Listbox::RowText(std::int32_t row) const {
    const ListBackend& b = ListOf(*this);
    if (!b.View() || row < 0 || static_cast<std::size_t>(row) >= b.model->Rows()) return {};
    return std::string(b.model->Row(static_cast<std::size_t>(row)));
}

const std::string& Listbox::InitialValue() const { return ListOf(*this).initialValue; }
void Listbox::SetInitialValue(const std::string& value) {
    ListBackend& b = ListOf(*this);
    b.initialValue = value;
    if (!b.View()) return;
    const QString heading = detail::FromUtf8(value);
    b.model->SetHeading(heading);
    b.View()->setAccessibleName(heading);
}

bool Listbox::HasHeading() const { return ListOf(*this).hasHeading; }
void Listbox::SetHasHeading(bool hasHeading) {
    ListBackend& b = ListOf(*this);
    b.hasHeading = hasHeading;
    if (QTableView* view = b.View()) view->horizontalHeader()->setVisible(hasHeading);
}

std::int32_t Listbox::ColumnCount() const { return ListOf(*this).columnCount; }
void Listbox::SetColumnCount(std::int32_t count) { ListOf(*this).columnCount = count; }

bool Listbox::ScrollbarHorizontal() const { return ListOf(*this).scrollbarHorizontal; }
void Listbox::SetScrollbarHorizontal(bool on) {
    ListOf(*this).scrollbarHorizontal = on;
    ListOf(*this).ApplyScrollbars();
}
bool Listbox::ScrollBarVertical() const { return ListOf(*this).scrollbarVertical; }
void Listbox::SetScrollBarVertical(bool on) {
    ListOf(*this).scrollbarVertical = on;
    ListOf(*this).ApplyScrollbars();
}
bool Listbox::AutoHideScrollbars() const { return ListOf(*this).autoHideScrollbars; }
void Listbox::SetAutoHideScrollbars(bool autoHide) {
    ListOf(*this).autoHideScrollbars = autoHide;
    ListOf(*this).ApplyScrollbars();
}

std::int32_t Listbox::SelectionType() const { return ListOf(*this).selectionType; }
void Listbox::SetSelectionType(std::int32_t type) {
    ListBackend& b = ListOf(*this);
    b.selectionType = type;
    if (QTableView* view = b.View())
        view->setSelectionMode(type == 1 ? QAbstractItemView::ExtendedSelection
                                         : QAbstractItemView::SingleSelection);
}

std::optional<PropertyType> Listbox::DeclaredType(std::string_view name) const {
    return ListboxProperties().TypeOf(name);
}
void Listbox::SetProperty(std::string_view name, const PropertyValue& value) {
    ListboxProperties().Set(*this, name, value);
}


namespace {
LabelBackend& LabelOf(const RectControl& control) { return static_cast<LabelBackend&>(control.GetBackend()); }
}  // namespace

StaticText::StaticText(Window& owner) : RectControl(owner, std::make_unique<LabelBackend>(ContentOf(owner))) {}

const std::string& StaticText::Text() const { return LabelOf(*this).text; }
void StaticText::SetText(const std::string& text) {
    LabelBackend& b = LabelOf(*this);
    b.text = text;
    if (QLabel* label = b.Label()) label->setText(WithLineBreaks(text));
}

bool StaticText::Multiline() const { return LabelOf(*this).multiline; }
void StaticText::SetMultiline(bool multiline) {
    LabelBackend& b = LabelOf(*this);
    b.multiline = multiline;
    if (QLabel* label = b.Label()) label->setWordWrap(multiline);
}

std::int32_t StaticText::TextAlign() const { return LabelOf(*this).textAlign; }
void StaticText::SetTextAlign(std::int32_t align) {
    LabelOf(*this).textAlign = align;
    LabelOf(*this).ApplyAlignment();
}

Color StaticText::TextColor() const { return LabelOf(*this).textColor; }
void StaticText::SetTextColor(Color color) {
    LabelBackend& b = LabelOf(*this);
    b.textColor = color;
    if (QLabel* label = b.Label()) fw::SetTextColor(label, QPalette::WindowText, color);
}

std::optional<PropertyType> StaticText::DeclaredType(std::string_view name) const {
    return StaticTextProperties().TypeOf(name);
}
void StaticText::SetProperty(std::string_view name, const PropertyValue& value) {
    StaticTextProperties().Set(*this, name, value);
}


namespace {
FieldBackend& FieldOf(const RectControl& control) { return static_cast<FieldBackend&>(control.GetBackend()); }
}  // namespace

EditField::EditField(Window& owner) : RectControl(owner, std::make_unique<FieldBackend>(ContentOf(owner))) {}

std::string EditField::Text() const { return FieldOf(*this).text; }
void EditField::SetText(const std::string& text) {
    FieldBackend& b = FieldOf(*this);
    if (QLineEdit* field = b.Field()) field->setText(detail::FromUtf8(text));
    b.text = b.Field() ? detail::ToUtf8(b.Field()->text()) : text;
}

std::int32_t EditField::LimitText() const { return FieldOf(*this).limitText; }
void EditField::SetLimitText(std::int32_t limit) {
    FieldBackend& b = FieldOf(*this);
    b.limitText = limit;
    // Qt's own default length is its largest.
    if (QLineEdit* field = b.Field()) field->setMaxLength(limit > 0 ? limit : 32767);
}

bool EditField::ReadOnly() const { return FieldOf(*this).readOnly; }
void EditField::SetReadOnly(bool readOnly) {
    FieldBackend& b = FieldOf(*this);
    b.readOnly = readOnly;
    if (QLineEdit* field = b.Field()) field->setReadOnly(readOnly);
}

bool EditField::Password() const { return FieldOf(*this).password; }
void EditField::SetPassword(bool password) {
    FieldBackend& b = FieldOf(*this);
    b.password = password;
    if (QLineEdit* field = b.Field()) field->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
}

bool EditField::Border() const { return FieldOf(*this).border; }
void EditField::SetBorder(bool border) {
    FieldBackend& b = FieldOf(*this);
    b.border = border;
    if (QLineEdit* field = b.Field()) field->setFrame(border);
}

std::int32_t EditField::Alignment() const { return FieldOf(*this).alignment; }
void EditField::SetAlignment(std::int32_t alignment) {
    FieldBackend& b = FieldOf(*this);
    b.alignment = alignment;
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (alignment == 2) horizontal = Qt::AlignHCenter;
    if (alignment == 3) horizontal = Qt::AlignRight;
    if (QLineEdit* field = b.Field()) field->setAlignment(horizontal | Qt::AlignVCenter);
}

Color EditField::BackColor() const { return FieldOf(*this).backColor; }
void EditField::SetBackColor(Color color) {
    FieldBackend& b = FieldOf(*this);
    b.backColor = color;
    if (QLineEdit* field = b.Field()) fw::SetTextColor(field, QPalette::Base, color);
}

Color EditField::TextColor() const { return FieldOf(*this).textColor; }
void EditField::SetTextColor(Color color) {
    FieldBackend& b = FieldOf(*this);
    b.textColor = color;
    if (QLineEdit* field = b.Field()) fw::SetTextColor(field, QPalette::Text, color);
}

std::optional<PropertyType> EditField::DeclaredType(std::string_view name) const {
    return EditFieldProperties().TypeOf(name);
}
void EditField::SetProperty(std::string_view name, const PropertyValue& value) {
    EditFieldProperties().Set(*this, name, value);
}

}  // namespace fw
