#include "framework/qt/MenuBinding.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStringList>

#include <array>

#include "framework/Runtime.h"
#include "framework/qt/Internal.h"
#include "framework/qt/WindowBackend.h"

namespace fw {
namespace {

QAction::MenuRole RoleOf(const MenuItem& item) {
    switch (item.MenuRole()) {
    case MenuItem::Role::About:
        return QAction::AboutRole;
    case MenuItem::Role::Quit:
        return QAction::QuitRole;
    case MenuItem::Role::Plain:
        break;
    }
    // No guessing from the text: only the About and Quit items move.
    return QAction::NoRole;
}

bool HasClipboardText() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data && data->hasText() && !data->text().isEmpty();
}

}  // namespace

QKeySequence ShortcutFromText(std::string_view text) {
    if (text.empty()) return {};
    QStringList keys = detail::FromUtf8(std::string(text)).split(QLatin1Char('+'));
    for (QString& key : keys) {
        const QString word = key.trimmed().toLower();
        if (word == QLatin1String("cmd") || word == QLatin1String("command"))
            key = QStringLiteral("Ctrl");
        else if (word == QLatin1String("option") || word == QLatin1String("opt"))
            key = QStringLiteral("Alt");
    }
    return QKeySequence::fromString(keys.join(QLatin1Char('+')), QKeySequence::PortableText);
}

bool IsEditItem(std::string_view name) {
    static constexpr std::array<std::string_view, 6> Names{"EditUndo",  "EditCut",   "EditCopy",
                                                           "EditPaste", "EditClear", "EditSelectAll"};
    for (auto known : Names)
        if (known == name) return true;
    return false;
}

bool EditItemApplies(std::string_view name, QLineEdit* field) {
    if (!field) return false;
    const bool editable = !field->isReadOnly();
    const bool selection = field->hasSelectedText();
    // A password field never gives its text away.
    const bool readable = field->echoMode() == QLineEdit::Normal;
    if (name == "EditUndo") return field->isUndoAvailable();
    if (name == "EditCut") return selection && editable && readable;
    if (name == "EditCopy") return selection && readable;
    if (name == "EditPaste") return editable && HasClipboardText();
    if (name == "EditClear") return selection && editable;
    if (name == "EditSelectAll") return !field->text().isEmpty();
    return false;
}

void PerformEditItem(std::string_view name, QLineEdit* field) {
    if (!EditItemApplies(name, field)) return;
    if (name == "EditUndo") field->undo();
    if (name == "EditCut") field->cut();
    if (name == "EditCopy") field->copy();
    if (name == "EditPaste") field->paste();
    if (name == "EditClear") field->del();
    if (name == "EditSelectAll") field->selectAll();
}

namespace {

// The Edit items act on the focused field of the window the user works in,
// whichever window's menu bar holds them: a dialog without a menu bar of its
// own is served by its parent's.
QLineEdit* EditItemField() {
    if (Window* window = ActiveWindow()) return window->GetBackend().FocusedField();
    return qobject_cast<QLineEdit*>(QApplication::focusWidget());
}

std::function<bool()> HandlerFor(Window* window, const std::string& name) {
    if (!window) return {};
    const auto& handlers = window->GetBackend().menuHandlers;
    auto it = handlers.find(name);
    return it == handlers.end() ? std::function<bool()>{} : it->second;
}

bool Applies(Window* window, const MenuItem& item) {
    if (!item.AutoEnable()) return true;
    if (HandlerFor(window, item.Name())) return true;
    if (item.MenuRole() == MenuItem::Role::Quit) return true;
    if (IsEditItem(item.Name())) return EditItemApplies(item.Name(), EditItemField());
    return false;
}

}  // namespace

MenuBinding::MenuBinding(QWidget* parentWindow, const MenuBar& tree, std::function<Window*()> target)
    : bar_(new QMenuBar(parentWindow)), target_(std::move(target)) {
    for (std::int32_t i = 0; i < tree.Count(); ++i) {
        auto menuItem = tree.Item(i);
        QMenu* menu = bar_->addMenu(detail::FromUtf8(menuItem->Text()));
        entries_.push_back({menuItem, menu->menuAction(), true});
        connections_.push_back(QObject::connect(menu, &QMenu::aboutToShow, [this] { UpdateEnabled(); }));
        AddChildren(menu, *menuItem);
    }
    connections_.push_back(
        QObject::connect(qApp, &QApplication::focusChanged, [this](QWidget*, QWidget* now) {
            WatchField(now);
            UpdateEnabled();
        }));
    UpdateEnabled();
}

MenuBinding::~MenuBinding() {
    for (auto& connection : connections_) QObject::disconnect(connection);
    for (auto& connection : fieldConnections_) QObject::disconnect(connection);
    // The bar may be showing the menu whose item is being chosen right now.
    if (bar_ && QCoreApplication::instance()) {
        bar_->hide();
        bar_->deleteLater();
    }
}

void MenuBinding::AddChildren(QMenu* menu, const MenuItem& parent) {
    for (std::int32_t i = 0; i < parent.Count(); ++i) AddItem(menu, parent.Item(i));
}

void MenuBinding::AddItem(QMenu* menu, const std::shared_ptr<MenuItem>& item) {
    if (item->IsSeparator()) {
        entries_.push_back({item, menu->addSeparator(), false});
        return;
    }
    if (item->Count() > 0) {
        QMenu* submenu = menu->addMenu(detail::FromUtf8(item->Text()));
        entries_.push_back({item, submenu->menuAction(), true});
        connections_.push_back(QObject::connect(submenu, &QMenu::aboutToShow, [this] { UpdateEnabled(); }));
        AddChildren(submenu, *item);
        return;
    }
    QAction* action = menu->addAction(detail::FromUtf8(item->Text()));
    action->setMenuRole(RoleOf(*item));
    if (const auto& shortcut = item->KeyboardShortcut()) action->setShortcut(ShortcutFromText(*shortcut));
    entries_.push_back({item, action, false});
    std::weak_ptr<MenuItem> weak = item;
    connections_.push_back(QObject::connect(action, &QAction::triggered, [this, weak] {
        if (auto chosen = weak.lock()) Trigger(*chosen);
    }));
}

QAction* MenuBinding::Action(std::string_view name) const {
    for (const auto& entry : entries_)
        if (entry.item->Name() == name) return entry.action;
    return nullptr;
}

std::shared_ptr<MenuItem> MenuBinding::Item(std::string_view name) const {
    for (const auto& entry : entries_)
        if (entry.item->Name() == name) return entry.item;
    return nullptr;
}

void MenuBinding::UpdateEnabled() {
    Window* window = target_ ? target_() : nullptr;
    for (const auto& entry : entries_) {
        if (entry.isMenu || !entry.action || entry.item->IsSeparator()) continue;
        entry.action->setEnabled(Applies(window, *entry.item));
    }
}

bool MenuBinding::Choose(std::string_view name) {
    UpdateEnabled();
    QAction* action = Action(name);
    if (!action || !action->isEnabled() || action->menu() || action->isSeparator()) return false;
    action->trigger();
    return true;
}

void MenuBinding::Trigger(const MenuItem& item) {
    // Everything is taken from this binding first: the handler may replace
    // the window's menu bar, and this binding with it.
    Window* window = target_ ? target_() : nullptr;
    std::shared_ptr<Window> keepWindow = window ? window->shared_from_this() : nullptr;
    const std::string name = item.Name();
    const bool isQuit = item.MenuRole() == MenuItem::Role::Quit;
    auto handler = HandlerFor(window, name);
    QPointer<QLineEdit> field = EditItemField();
    detail::DispatchEventIn(window, [&] {
        if (handler)
            handler();
        else if (isQuit)
            Quit(0);
        else if (IsEditItem(name))
            PerformEditItem(name, field);
    });
}

void MenuBinding::WatchField(QWidget* focus) {
    for (auto& connection : fieldConnections_) QObject::disconnect(connection);
    fieldConnections_.clear();
    auto* field = qobject_cast<QLineEdit*>(focus);
    if (!field) return;
    fieldConnections_.push_back(
        QObject::connect(field, &QLineEdit::textChanged, [this] { UpdateEnabled(); }));
    fieldConnections_.push_back(
        QObject::connect(field, &QLineEdit::selectionChanged, [this] { UpdateEnabled(); }));
}

}  // namespace fw
