// "menu": the application's menubar model with each item's action, accelerators and enabled state.

#include "command_args.h"
#include "command_handlers.h"
#include "gtk_lookup.h"

namespace vorl::test_driver {

namespace {

// Whether a menu shows its sections apart. A menu draws one separator between sections: never
// first, never last, never two in a row. The menubar's own entries are its menus; it draws none.
enum class Sections { separated, joined };

// Collects a menu's entries, with the separators its sections call for.
class EntryList {
public:
    explicit EntryList(Sections joining) : sections(joining) {}

    void add(const JsonValue& entry) {
        if (separatorDue && count > 0 && sections == Sections::separated) {
            const JsonValue separator = jsonObject();
            setMember(separator.get(), "separator", true);
            append(entries.get(), separator);
        }
        separatorDue = false;
        append(entries.get(), entry);
        ++count;
    }
    void endSection() { separatorDue = true; }
    JsonValue take() { return std::move(entries); }

private:
    const Sections sections;
    JsonValue entries = jsonArray();
    int count = 0;
    bool separatorDue = false;
};

JsonValue labelOf(GMenuModel* model, int index) {
    g_autofree char* label = nullptr;
    if (!g_menu_model_get_item_attribute(model, index, G_MENU_ATTRIBUTE_LABEL, "s", &label))
        return {};
    return jsonValue(withoutMnemonics(label));
}

// Checked state for toggles (boolean state) and radio items (state equal to the item's target).
void addCheckedState(GActionGroup* group, const char* name, GVariant* target, JSCValue* item) {
    g_autoptr(GVariant) actionState = g_action_group_get_action_state(group, name);
    if (actionState == nullptr)
        return;
    if (target != nullptr)
        setMember(item, "checked", static_cast<bool>(g_variant_equal(actionState, target)));
    else if (g_variant_is_of_type(actionState, G_VARIANT_TYPE_BOOLEAN))
        setMember(item, "checked", static_cast<bool>(g_variant_get_boolean(actionState)));
}

JsonValue describeItem(GMenuModel* model, int index, GtkApplication* app) {
    JsonValue item = jsonObject();
    setMember(item.get(), "label", labelOf(model, index));
    g_autofree char* action = nullptr;
    if (!g_menu_model_get_item_attribute(model, index, G_MENU_ATTRIBUTE_ACTION, "s", &action)) {
        setMember(item.get(), "action", JsonValue());
        setMember(item.get(), "accels", jsonArray());
        setMember(item.get(), "enabled", false);
        return item;
    }
    g_autoptr(GVariant) target =
        g_menu_model_get_item_attribute_value(model, index, G_MENU_ATTRIBUTE_TARGET, nullptr);
    g_autofree char* detailed = g_action_print_detailed_name(action, target);
    setMember(item.get(), "action", detailed);

    const JsonValue accels = jsonArray();
    g_auto(GStrv) accelNames = gtk_application_get_accels_for_action(app, detailed);
    for (char** accel = accelNames; *accel != nullptr; ++accel)
        append(accels.get(), jsonValue(*accel));
    setMember(item.get(), "accels", accels);

    const ActionLocation location = locateAction(action);
    const char* name = location.name.c_str();
    const bool exists = location.group != nullptr && g_action_group_has_action(location.group, name);
    setMember(item.get(), "enabled", exists && g_action_group_get_action_enabled(location.group, name));
    if (exists)
        addCheckedState(location.group, name, target, item.get());
    return item;
}

JsonValue menuEntries(GMenuModel* menu, GtkApplication* app, Sections sections);

void appendEntries(GMenuModel* model, GtkApplication* app, EntryList& list) {
    const int count = g_menu_model_get_n_items(model);
    for (int i = 0; i < count; ++i) {
        g_autoptr(GMenuModel) section = g_menu_model_get_item_link(model, i, G_MENU_LINK_SECTION);
        g_autoptr(GMenuModel) submenu = g_menu_model_get_item_link(model, i, G_MENU_LINK_SUBMENU);
        if (section != nullptr) {
            list.endSection();
            appendEntries(section, app, list);
            list.endSection();
        } else if (submenu != nullptr) {
            const JsonValue entry = jsonObject();
            setMember(entry.get(), "label", labelOf(model, i));
            setMember(entry.get(), "items", menuEntries(submenu, app, Sections::separated));
            list.add(entry);
        } else {
            list.add(describeItem(model, i, app));
        }
    }
}

JsonValue menuEntries(GMenuModel* menu, GtkApplication* app, Sections sections) {
    EntryList list(sections);
    appendEntries(menu, app, list);
    return list.take();
}

} // namespace

void dumpMenu(JSCValue*, const Reply& reply) {
    GtkApplication* app = application();
    if (app == nullptr)
        throw CommandError("no GtkApplication");
    GMenuModel* menubar = gtk_application_get_menubar(app);
    if (menubar == nullptr)
        throw CommandError("the application has no menubar");
    reply.succeed(menuEntries(menubar, app, Sections::joined));
}

} // namespace vorl::test_driver
